# orv_layer(<name> <folder> [USES <targets>...] [SHARED <target>])
#
# One layer of the engine: the sources of <folder> as the static library
# engine_<name> (or as the shared library <target>; a folder of headers alone
# is an interface library). Its headers are reachable
# only through an include root of its own that holds <folder> alone, and that
# root is handed on to the layers that use it. So `#include "commands/x.hpp"`
# compiles only in a layer that uses the commands layer, directly or through
# another layer: a wrong include across layers fails the build.
function(orv_layer name folder)
  cmake_parse_arguments(LAYER "" "SHARED" "USES" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  set(scope PUBLIC)
  if(LAYER_SHARED)
    set(target ${LAYER_SHARED})
    add_library(${target} SHARED ${sources})
  elseif(sources)
    set(target engine_${name})
    add_library(${target} STATIC ${sources})
  else()
    set(target engine_${name})
    add_library(${target} INTERFACE)
    set(scope INTERFACE)
  endif()
  set(root ${CMAKE_CURRENT_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
  target_link_libraries(${target} ${scope} ${LAYER_USES})
  if(sources)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
  endif()
endfunction()
