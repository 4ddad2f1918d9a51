# -DZAROVIA_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
option(ZAROVIA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ZAROVIA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# -DZAROVIA_FUZZ=ON (clang only) builds the libFuzzer targets under fuzz/.
# Everything is instrumented for coverage then, so the fuzzers see into the libraries, and
# FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION lowers the decoders' allocation caps to keep runs fast.
option(ZAROVIA_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
if(ZAROVIA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
endif()
