# C++ settings of the project and of the engine built alone: the language
# standard, position-independent code (the engine is a shared library),
# hidden symbols (only the entry points are exported), no fused operations
# and a release build by default.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
# Every operation rounds on its own, on every processor: no multiply and add
# fused into one where the processor could (results the same everywhere).
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_compile_options(-ffp-contract=off)
endif()
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release)
endif()
