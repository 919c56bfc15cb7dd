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

# nlohmann-json, header-only. Its headers are reached through a directory that holds them alone,
# so that a cross build (which must not search the host's /usr/include) takes them too.
set(KESTRELON_JSON_HEADERS /usr/include/nlohmann CACHE PATH "Directory of nlohmann/json.hpp")
if(NOT EXISTS ${KESTRELON_JSON_HEADERS}/json.hpp)
    message(FATAL_ERROR "nlohmann/json.hpp was not found in ${KESTRELON_JSON_HEADERS}: install "
                        "nlohmann-json3-dev (scripts/install-deps.sh installs everything the build "
                        "needs)")
endif()
set(KESTRELON_JSON_INCLUDE ${CMAKE_BINARY_DIR}/deps/json-include)
file(MAKE_DIRECTORY ${KESTRELON_JSON_INCLUDE})
file(CREATE_LINK ${KESTRELON_JSON_HEADERS} ${KESTRELON_JSON_INCLUDE}/nlohmann SYMBOLIC)
add_library(kestrelon_json INTERFACE)
target_include_directories(kestrelon_json SYSTEM INTERFACE ${KESTRELON_JSON_INCLUDE})
