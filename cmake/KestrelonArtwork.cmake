# The editor's pictures are drawn at build time by tools/artwork (the program kestrelon_artwork_tool),
# always on the build machine, so both trees get the same bytes: the Linux tree builds the tool
# itself, the Windows tree builds a native copy in a sub-build (tools/artwork/host).

get_filename_component(KESTRELON_ARTWORK_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# kestrelon_add_artwork_tool(): the drawing program, on top of the raster layer; its drawing code
# is a library of its own so that the native tree can test it.
function(kestrelon_add_artwork_tool)
  set(dir ${KESTRELON_ARTWORK_ROOT}/tools/artwork)
  add_library(kestrelon_artwork_drawing STATIC
    ${dir}/canvas.cpp
    ${dir}/text_painter.cpp
    ${dir}/png_writer.cpp
    ${dir}/outputs.cpp
    ${dir}/background.cpp
    ${dir}/knob_strips.cpp
    ${dir}/clip_images.cpp
    ${dir}/credits.cpp
    ${dir}/preview.cpp)
  find_package(PNG REQUIRED)
  find_package(Fontconfig REQUIRED)
  target_link_libraries(kestrelon_artwork_drawing
    PUBLIC kestrelon_raster kestrelon_warnings PRIVATE PNG::PNG Fontconfig::Fontconfig)
  add_executable(kestrelon_artwork_tool ${dir}/main.cpp)
  target_link_libraries(kestrelon_artwork_tool PRIVATE kestrelon_artwork_drawing kestrelon_warnings)
endfunction()
