# AddressSanitizer and UndefinedBehaviorSanitizer for every target of the
# including project: included by the C++ test projects, and handed to the
# main build by .ci/sanitize.sh as CMAKE_PROJECT_INCLUDE. Also the project's
# C++ settings, with line tables for the reports.
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../engine/cmake/cxx_settings.cmake)
add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
get_filename_component(ORV_REPO ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
# Link-time optimisation only slows these builds, and reports through inlined frames.
set(ORV_LTO OFF CACHE BOOL "link-time optimisation of the engine")
