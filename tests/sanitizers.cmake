# AddressSanitizer and UndefinedBehaviorSanitizer for every target of the
# including project: included by the C++ test projects, and handed to the
# main build by .ci/sanitize.sh as CMAKE_PROJECT_INCLUDE. Also the C++ settings
# the test projects share with the main build.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
get_filename_component(ORV_REPO ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
# Link-time optimisation only slows these builds, and reports through inlined frames.
set(ORV_LTO OFF CACHE BOOL "link-time optimisation of the engine")
