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
