# Read by CPack for each generator as it runs (CPACK_PROJECT_CONFIG_FILE): the setup program is
# named as one, beside the zip of the same installation.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
