# The packages CPack makes from the installation: a Debian package on Linux, whose dependencies
# dpkg-shlibdeps reads from the binaries, and on Windows a zip of the installation and a setup
# program.
set(KESTRELON_PACKAGE_CONTACT "Kestrelon console maintainers <maintainers@kestrelon.invalid>"
    CACHE STRING "Maintainer of the packages")

set(CPACK_PACKAGE_NAME kestrelon)
set(CPACK_PACKAGE_VENDOR Kestrelon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KESTRELON_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "console for a 4K HDMI/SDI video test-signal generator")
set(CPACK_PACKAGE_DESCRIPTION
    "Drives a video test-signal generator over a serial line: output timing, test\n"
    "pattern, interface, HDCP, colour and audio, EDID reading and decoding, user\n"
    "timings. With sgsim, an emulator of the generator on a pseudo-terminal, and\n"
    "edidinfo, an EDID file decoder.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)
set(CPACK_VERBATIM_VARIABLES ON)

if(WIN32)
    # The zip for those who want no installation, and the setup program (NSIS, from the script
    # packaging/windows/NSIS.template.in): kestrelon-VERSION-win64-setup.exe.
    set(CPACK_GENERATOR ZIP NSIS)
    set(CPACK_PACKAGE_FILE_NAME kestrelon-${PROJECT_VERSION}-win64)
    set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/KestrelonCPackOptions.cmake)
    set(CPACK_MODULE_PATH ${CMAKE_SOURCE_DIR}/packaging/windows)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Kestrelon)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Kestrelon)
    set(CPACK_NSIS_PACKAGE_NAME Kestrelon)
    set(CPACK_NSIS_DISPLAY_NAME Kestrelon)
    set(CPACK_NSIS_MUI_ICON ${KESTRELON_ICO})
    set(CPACK_NSIS_MUI_UNIICON ${KESTRELON_ICO})
    set(CPACK_NSIS_KESTRELON_PATH_ENTRY ${CMAKE_BINARY_DIR}/packaging/windows/path_entry.exe)
    set(version_quad ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
    foreach(part PATCH TWEAK)
        if("${PROJECT_VERSION_${part}}" STREQUAL "")
            string(APPEND version_quad .0)
        else()
            string(APPEND version_quad .${PROJECT_VERSION_${part}})
        endif()
    endforeach()
    set(CPACK_NSIS_KESTRELON_VERSION_QUAD ${version_quad})
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
    # A package per component: kestrelon (the console and the tools, whose install rules name no
    # component) and, where the Python module is built, python3-kestrelon, which drives the
    # generator through exactly this version's tools and emulator and is built for one minor
    # version of Python. Each description begins with its own summary line, so the common
    # summary is not put before it.
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME kestrelon)
    set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION
        "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-kestrelon)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    set(python "${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}")
    math(EXPR next_minor "${Python3_VERSION_MINOR} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "kestrelon (= ${CPACK_PACKAGE_VERSION}), python3 (>= ${python}), python3 (<< ${Python3_VERSION_MAJOR}.${next_minor})")
    set(CPACK_DEBIAN_PYTHON_DESCRIPTION
        "Python module for the Kestrelon video test-signal generator\n"
        "The module kestrelon drives the generator from Python test benches\n"
        "through the console's own protocol core: status, settings confirmed by\n"
        "the generator, EDIDs read and decoded, user timings from the timing\n"
        "calculator, failures as exceptions. With a pytest plugin whose fixture\n"
        "starts the emulator sgsim, so that a bench's tests run without hardware.")
    string(JOIN "" CPACK_DEBIAN_PYTHON_DESCRIPTION ${CPACK_DEBIAN_PYTHON_DESCRIPTION})
    unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
endif()
include(CPack)
