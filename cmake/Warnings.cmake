# One warnings target that every library and program links.
add_library(ostinel_warnings INTERFACE)
target_compile_options(ostinel_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough -Werror)
