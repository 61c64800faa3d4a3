# KESTRELON_SANITIZE is a comma list handed to -fsanitize, e.g. "address,undefined"
# or "thread". Applied to everything in the tree, GoogleTest included, so that
# ThreadSanitizer sees every access.
set(KESTRELON_SANITIZE "" CACHE STRING "Sanitizers for the native build (address,undefined | thread)")
if(KESTRELON_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "mingw-w64 has no sanitizer runtimes; sanitize the native build")
  endif()
  add_compile_options(-fsanitize=${KESTRELON_SANITIZE} -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=${KESTRELON_SANITIZE})
  if(KESTRELON_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
  endif()
endif()
