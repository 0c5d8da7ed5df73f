# Header-only packages of the host (CLI11, nlohmann-json) for a cross build. Their CMake files
# put the host's whole /usr/include on the include path, where the C library's headers would
# shadow the cross compiler's own; instead each package gets a folder of the build tree that holds
# a link to its own headers only.
#   kv_host_headers(TARGET CLI11::CLI11 HEADERS CLI)
function(kv_host_headers)
  cmake_parse_arguments(HOST "" "TARGET" "HEADERS" ${ARGN})
  if(TARGET ${HOST_TARGET})
    return()
  endif()
  string(MAKE_C_IDENTIFIER ${HOST_TARGET} name)
  set(root ${CMAKE_BINARY_DIR}/host-headers/${name})
  foreach(header ${HOST_HEADERS})
    if(NOT EXISTS /usr/include/${header})
      message(FATAL_ERROR "${HOST_TARGET}: /usr/include/${header} is missing (make windows-deps)")
    endif()
    if(NOT EXISTS ${root}/${header})
      file(MAKE_DIRECTORY ${root})
      file(CREATE_LINK /usr/include/${header} ${root}/${header} SYMBOLIC)
    endif()
  endforeach()
  add_library(${HOST_TARGET} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${HOST_TARGET} SYSTEM INTERFACE ${root})
endfunction()
