# Checks an installed command-line tool against its documentation: --version prints the project's
# version, and every option --help names is described in the manual page.
#   cmake -DTOOL=<executable> -DPAGE=<manual page source> -DVERSION=<version> -P check_tool.cmake
execute_process(COMMAND ${TOOL} --version OUTPUT_VARIABLE version_text RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT version_text MATCHES " ${VERSION}\n$")
    message(FATAL_ERROR "${TOOL} --version gave \"${version_text}\" (status ${status}), "
                        "not the version ${VERSION}")
endif()
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${TOOL} --help failed with status ${status}")
endif()
file(READ ${PAGE} page)
string(REGEX MATCHALL "--[a-z][a-z-]*" options "${help}")
list(REMOVE_DUPLICATES options)
set(missing)
foreach(option ${options})
    # The page writes each hyphen as \-.
    string(REPLACE "-" "\\-" written "${option}")
    string(FIND "${page}" "${written}" at)
    if(at EQUAL -1)
        list(APPEND missing ${option})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "${PAGE} does not describe ${missing}")
endif()
list(LENGTH options count)
message(STATUS "${TOOL}: version ${VERSION}, ${count} options, all in the manual page")
