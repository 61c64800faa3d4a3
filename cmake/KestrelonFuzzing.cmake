# Fuzzing with clang's libFuzzer, in a native tree of its own (scripts/fuzz.sh
# makes it):
#   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja \
#     -DKESTRELON_FUZZ=ON -DKESTRELON_SANITIZE=address,undefined
# The project's own code gets the fuzzer's coverage instrumentation on top of
# the sanitizers; fuzz targets link libFuzzer's main. With KESTRELON_FUZZ off
# this does nothing, so the gcc and mingw-w64 trees stay as they are.
option(KESTRELON_FUZZ "Build the libFuzzer targets (clang, native only)" OFF)

if(KESTRELON_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR WIN32)
    message(FATAL_ERROR "KESTRELON_FUZZ needs a native clang build: CC=clang CXX=clang++")
  endif()
  if(NOT KESTRELON_SANITIZE MATCHES "address" OR NOT KESTRELON_SANITIZE MATCHES "undefined")
    message(FATAL_ERROR "KESTRELON_FUZZ runs under the sanitizers: add -DKESTRELON_SANITIZE=address,undefined")
  endif()
  # Every project target links kestrelon_warnings, third-party code does not:
  # coverage guides the fuzzer through our code only. The signal path and
  # the fuzz targets' own checks are left out of the coverage (they stay under
  # the sanitizers): they read no outside data, and comparison tracing in
  # table builds and per-sample loops would cost most of every execution
  # while telling the fuzzer nothing.
  set(ignore ${CMAKE_BINARY_DIR}/fuzz_coverage_ignore.txt)
  file(WRITE ${ignore} "src:${PROJECT_SOURCE_DIR}/dsp/*\nsrc:${PROJECT_SOURCE_DIR}/tests/fuzz/*\n")
  target_compile_options(kestrelon_warnings INTERFACE
    -fsanitize=fuzzer-no-link -fsanitize-coverage-ignorelist=${ignore})
endif()

# kestrelon_add_fuzzer(name SOURCES ... [LIBS ...] CORPUS dir)
# A libFuzzer executable, and a CTest test (label "fuzz") that runs every
# file of its checked-in corpus through it once.
function(kestrelon_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS} kestrelon_warnings)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  file(GLOB inputs CONFIGURE_DEPENDS ${F_CORPUS}/*)
  if(inputs)
    add_test(NAME ${name}_corpus COMMAND ${name} ${inputs})
    set_tests_properties(${name}_corpus PROPERTIES LABELS fuzz TIMEOUT 600)
  endif()
endfunction()
