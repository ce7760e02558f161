# Applied to everything in the tree so that the engine, the tests and their
# dependencies built here agree on instrumentation.
if(OSTINEL_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(OSTINEL_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT OSTINEL_SANITIZE STREQUAL "")
    message(FATAL_ERROR "OSTINEL_SANITIZE must be empty, 'address' or 'thread'")
endif()
