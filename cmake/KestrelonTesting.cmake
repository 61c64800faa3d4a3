option(KESTRELON_BUILD_TESTS "Build the test suites" ON)
option(KESTRELON_BUILD_BENCHMARKS "Build the benchmarks (native only)" ON)
if(WIN32 OR KESTRELON_SANITIZE)
  set(KESTRELON_BUILD_BENCHMARKS OFF CACHE BOOL "" FORCE)
endif()

if(KESTRELON_BUILD_TESTS)
  enable_testing()
  # GoogleTest is built from source in every tree, so the Windows tree gets a
  # mingw-w64 build of it and the sanitizer trees an instrumented one.
  set(KESTRELON_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${KESTRELON_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # gcc 12 warns about a memcpy inside GoogleTest's own sources that cannot
  # happen; keep the build output about our code.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(gtest PRIVATE -Wno-restrict)
  endif()
endif()

# kestrelon_add_gtest(name SOURCES ... [LIBS ...] [LABELS ...])
# A GoogleTest executable registered with CTest. In the Windows tree CTest runs
# it through CMAKE_CROSSCOMPILING_EMULATOR, i.e. under wine64.
function(kestrelon_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kestrelon_warnings GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set(labels ${T_LABELS})
  if(WIN32)
    list(APPEND labels windows)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT 600)
  if("concurrency" IN_LIST T_LABELS)
    kestrelon_concurrency_target(${name})
  endif()
endfunction()

# kestrelon_concurrency_target(target...): the ThreadSanitizer tree builds only
# these (through the target concurrency_tests) instead of every test program.
# Tests labelled concurrency that run other programs name those programs here.
function(kestrelon_concurrency_target)
  set_property(GLOBAL APPEND PROPERTY KESTRELON_CONCURRENCY_TARGETS ${ARGN})
endfunction()

# kestrelon_add_benchmark(name SOURCES ... [LIBS ...])
function(kestrelon_add_benchmark name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE ${B_LIBS} kestrelon_warnings benchmark::benchmark)
endfunction()
