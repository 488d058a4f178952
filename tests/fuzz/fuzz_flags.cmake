# Compiler settings of a fuzzing build (TOLVANE_FUZZ=ON), included by the
# top-level CMakeLists.txt before any target is made: every target of such
# a build is compiled with AddressSanitizer, UndefinedBehaviorSanitizer and
# libFuzzer's coverage instrumentation, so that code a fuzz target reaches
# through a library is checked as thoroughly as the target itself. Only the
# fuzz targets link libFuzzer's main. Such a build is for fuzzing only:
# everything in it runs several times slower than a normal build.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TOLVANE_FUZZ=ON needs clang (libFuzzer): configure a separate build "
    "directory with -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14, or use "
    "the preset: cmake --preset fuzz")
endif()
# Undefined behaviour aborts, so that libFuzzer keeps the input that caused it.
add_compile_options(-fsanitize=address,undefined -fsanitize=fuzzer-no-link
  -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
