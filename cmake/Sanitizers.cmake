# -DZAROVIA_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
option(ZAROVIA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ZAROVIA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# -DZAROVIA_FUZZ=ON (clang only) builds the libFuzzer targets under fuzz/.
# Everything is instrumented for coverage then, so the fuzzers see into the libraries; the tests
# of the same build run as usual.
option(ZAROVIA_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
# For long fuzzing sessions: FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION lowers the decoders'
# allocation caps, so that huge claimed sizes do not slow every run (tests expect the real caps).
option(ZAROVIA_FUZZ_LOW_CAPS "Lower the allocation caps for fuzzing" OFF)
if(ZAROVIA_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
    if(ZAROVIA_FUZZ_LOW_CAPS)
        add_compile_definitions(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
    endif()
endif()
