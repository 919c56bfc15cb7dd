# The packages CPack makes from the installation: a Debian package on Linux, whose dependencies
# dpkg-shlibdeps reads from the binaries, and a zip of the executables on Windows.
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
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME kestrelon-${PROJECT_VERSION}-win64)
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
endif()
include(CPack)
