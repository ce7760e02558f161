# One warnings target that every library and program links. Our own builds
# (the Makefile, CI) make warnings errors; a plain user's or packager's build
# only reports them, so a newer compiler's new warning never stops it.
option(OSTINEL_WERROR "Treat warnings as errors" OFF)
add_library(ostinel_warnings INTERFACE)
target_compile_options(ostinel_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
if(OSTINEL_WERROR)
    target_compile_options(ostinel_warnings INTERFACE -Werror)
endif()
# GCC 12 warns falsely about overlapping copies inside std::string's own
# concatenation at -O3 (its bug 105329); the warning says nothing about our code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(ostinel_warnings INTERFACE -Wno-restrict)
endif()
