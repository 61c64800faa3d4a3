# Warnings every target of the project is built with; linked as an interface
# target so third-party code (GoogleTest) keeps its own flags.
add_library(kestrelon_warnings INTERFACE)
target_compile_options(kestrelon_warnings INTERFACE -Wall -Wextra)
target_include_directories(kestrelon_warnings INTERFACE ${PROJECT_SOURCE_DIR})

if(WIN32)
  # No runtime DLLs beside ours: libgcc, libstdc++ and winpthread go in statically.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
