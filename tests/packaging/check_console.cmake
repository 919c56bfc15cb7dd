# Checks the console's own command line: --version and --help print and end without opening a
# window (they run here with no display at all), and without a display the console says so on
# standard error and ends with status 1 instead of aborting.
#   cmake -DCONSOLE=<executable> -DVERSION=<version> -P check_console.cmake
set(no_display ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
               --unset=QT_QPA_PLATFORM)
execute_process(COMMAND ${no_display} ${CONSOLE} --version OUTPUT_VARIABLE out
                RESULT_VARIABLE status TIMEOUT 20)
if(NOT status EQUAL 0 OR NOT out STREQUAL "kestrelon (Kestrelon) ${VERSION}\n")
    message(FATAL_ERROR "--version gave \"${out}\" (status ${status})")
endif()
execute_process(COMMAND ${no_display} ${CONSOLE} --help OUTPUT_VARIABLE out
                RESULT_VARIABLE status TIMEOUT 20)
if(NOT status EQUAL 0 OR NOT out MATCHES "^usage: kestrelon" OR NOT out MATCHES "--log FILE"
   OR NOT out MATCHES "--plan FILE")
    message(FATAL_ERROR "--help gave \"${out}\" (status ${status})")
endif()
execute_process(COMMAND ${no_display} ${CONSOLE} OUTPUT_VARIABLE out ERROR_VARIABLE err
                RESULT_VARIABLE status TIMEOUT 20)
if(NOT status EQUAL 1 OR NOT err MATCHES "^kestrelon: no display to show the console on")
    message(FATAL_ERROR "without a display: status ${status}, \"${err}\"")
endif()
message(STATUS "kestrelon: --version, --help and no display all as they should be")
