# The fuzz build: -DCORVANE_FUZZ=ON with clang, in a build folder of its own (scripts/fuzz.sh
# makes build-fuzz). Everything is compiled with libFuzzer's coverage hooks and the address and
# undefined-behaviour sanitizers; fuzz/CMakeLists.txt then makes one fuzzer per target.
option(CORVANE_FUZZ "Build the fuzz targets with libFuzzer (clang only)" OFF)
if(CORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CORVANE_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  set(CORVANE_SANITIZE ON)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
