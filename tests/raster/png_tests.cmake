# PNG loading tests, included from this folder's CMakeLists.txt. One program for all of them.
find_package(PNG REQUIRED)

set(png_test_dir ${CMAKE_CURRENT_LIST_DIR})
set(png_test_sources
  ${png_test_dir}/png_decode_test.cpp
  ${png_test_dir}/png_bad_input_test.cpp
  ${png_test_dir}/png_mutation_test.cpp
  ${png_test_dir}/png_file_test.cpp
  ${png_test_dir}/png_resource_test.cpp
)
if(WIN32)
  # The resource images go into the test program the way the plug-in's go into the library.
  if(NOT CMAKE_RC_COMPILER_LOADED)
    enable_language(RC)
  endif()
  list(APPEND png_test_sources
    ${png_test_dir}/png_resource_win32_test.cpp
    ${png_test_dir}/png_resource_test.rc)
else()
  list(APPEND png_test_sources ${png_test_dir}/png_resource_posix_test.cpp)
endif()

# The tests write their images with libpng (tests/support/png_test_image), as the benchmarks do.
kestrelon_add_gtest(png_test SOURCES ${png_test_sources} LIBS kestrelon_raster kestrelon_png_test_image)
if(WIN32)
  set_source_files_properties(${png_test_dir}/png_resource_test.rc PROPERTIES OBJECT_DEPENDS
    "${png_test_dir}/data/png_rgba.png;${png_test_dir}/data/png_palette.png;${png_test_dir}/data/png_short.png;${png_test_dir}/data/png_cut.png;${png_test_dir}/data/png_foreign.png")
else()
  target_compile_definitions(png_test PRIVATE KESTRELON_PNG_TEST_DATA="${png_test_dir}/data")
  # Rewrites the resource images in data/ (run by hand when their descriptions change).
  add_executable(png_write_resource_data ${png_test_dir}/png_write_resource_data.cpp)
  target_link_libraries(png_write_resource_data PRIVATE kestrelon_warnings kestrelon_png_test_image)
endif()
