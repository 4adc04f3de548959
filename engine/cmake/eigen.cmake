# Finds Eigen 3: a system installation when there is one, otherwise the headers
# that the cmeel-eigen package installs into the Python environment (a build
# requirement of the package, so no root and no system package is needed).
if(NOT TARGET Eigen3::Eigen)
  find_package(Eigen3 3.3 QUIET NO_MODULE)
  if(NOT Eigen3_FOUND)
    if(NOT Python_EXECUTABLE)
      find_package(Python 3 REQUIRED COMPONENTS Interpreter)
    endif()
    execute_process(
      COMMAND "${Python_EXECUTABLE}" -c
              "import os, sys; print(next((os.path.join(p, 'cmeel.prefix') for p in sys.path if os.path.isdir(os.path.join(p, 'cmeel.prefix'))), ''))"
      OUTPUT_VARIABLE ORV_CMEEL_PREFIX OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(ORV_CMEEL_PREFIX)
      find_package(Eigen3 3.3 NO_MODULE PATHS "${ORV_CMEEL_PREFIX}" NO_DEFAULT_PATH)
    endif()
    if(NOT Eigen3_FOUND)
      message(FATAL_ERROR "Eigen 3 not found: install it with `python -m pip install cmeel-eigen` "
                          "(or the system package libeigen3-dev)")
    endif()
  endif()
endif()
