# What the build needs from the system, each found or the configuration fails with a message that
# says what to install (scripts/install-deps.sh installs it all on Debian 12). Nothing is skipped
# quietly: a console or a test area that is not built is a missing dependency, not an option.

# kestrelon_require(<package> <what to install> [find_package arguments...])
macro(kestrelon_require package install)
    find_package(${package} ${ARGN} QUIET)
    if(NOT ${package}_FOUND)
        message(FATAL_ERROR "${package} was not found: install ${install} "
                            "(scripts/install-deps.sh installs everything the build needs)")
    endif()
endmacro()

kestrelon_require(Threads "a C++ toolchain with POSIX threads (g++)")
if(NOT WIN32)
    kestrelon_require(Qt6 "qt6-base-dev and libgl-dev" COMPONENTS Widgets)
endif()

# nlohmann-json (header-only) for the tools' JSON. Its headers are copied into the build tree and
# given to the targets that use them from there: the Windows cross compiler must not be handed
# the host's /usr/include, where the header lives on Debian.
find_path(KESTRELON_JSON_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT KESTRELON_JSON_INCLUDE)
    message(FATAL_ERROR "nlohmann/json.hpp was not found: install nlohmann-json3-dev "
                        "(scripts/install-deps.sh installs everything the build needs)")
endif()
file(COPY ${KESTRELON_JSON_INCLUDE}/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
add_library(kestrelon_json INTERFACE)
target_include_directories(kestrelon_json SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/third_party/include)

# The Python module (python/), for the system's interpreter: built where Python's development
# files and pybind11 are found (python3-dev, pybind11-dev), AUTO; ON requires them, OFF leaves
# the module out. Not in a cross build: Debian has no Python development files for the
# Windows cross compiler.
set(KESTRELON_PYTHON AUTO CACHE STRING "Build the Python module: AUTO (where Python and pybind11 are found), ON or OFF")
set_property(CACHE KESTRELON_PYTHON PROPERTY STRINGS AUTO ON OFF)
set(KESTRELON_BUILD_PYTHON OFF)
if(CMAKE_CROSSCOMPILING)
    message(STATUS "The Python module is not built for a cross build")
elseif(NOT KESTRELON_PYTHON STREQUAL "OFF")
    # The system's interpreter, into whose path the module is installed and for which the
    # Debian package is made, before any other on PATH.
    if(NOT DEFINED Python3_EXECUTABLE AND NOT DEFINED Python3_ROOT_DIR AND EXISTS /usr/bin/python3)
        set(Python3_ROOT_DIR /usr)
    endif()
    find_package(Python3 COMPONENTS Interpreter Development.Module QUIET)
    if(Python3_FOUND)
        find_package(pybind11 CONFIG QUIET)
    endif()
    if(Python3_FOUND AND pybind11_FOUND)
        set(KESTRELON_BUILD_PYTHON ON)
        # The module is a shared object that links the project's static libraries.
        set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    elseif(KESTRELON_PYTHON STREQUAL "ON")
        message(FATAL_ERROR "Python's development files or pybind11 were not found: install "
                            "python3-dev and pybind11-dev (scripts/install-deps.sh installs "
                            "everything the build needs)")
    else()
        message(STATUS "The Python module is not built: install python3-dev and pybind11-dev")
    endif()
endif()
