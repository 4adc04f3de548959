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
# The solver's AVX2 clones (hydraulics/cpu_dispatch.hpp) keep to 128-bit
# vectors, which leave no dirty upper register halves behind for the baseline
# code they return to.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64")
  add_compile_options(-mprefer-vector-width=128)
endif()
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release)
endif()
