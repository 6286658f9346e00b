# Warnings and sanitizers for the project's own targets (tarvolin_settings).
add_library(tarvolin_settings INTERFACE)
target_include_directories(tarvolin_settings INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(tarvolin_settings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
    $<$<BOOL:${TARVOLIN_WERROR}>:-Werror>
    # GCC 12 reports string concatenations at -O3 as overlapping copies (GCC bug 105651).
    $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
if(TARVOLIN_SANITIZE)
    set(TARVOLIN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                                 -fno-omit-frame-pointer)
    target_compile_options(tarvolin_settings INTERFACE ${TARVOLIN_SANITIZER_FLAGS})
    target_link_options(tarvolin_settings INTERFACE ${TARVOLIN_SANITIZER_FLAGS})
endif()
if(TARVOLIN_FUZZ)
    # Coverage for libFuzzer in the project's own code; the fuzz programs link the driver.
    target_compile_options(tarvolin_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()
