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
