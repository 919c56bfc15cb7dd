# Installation and the Windows executables' resources: names and functions the subdirectories
# use. The install rules of the data files and the packages themselves are in packaging/.
include(GNUInstallDirs)

# The command-line tools a user gets installed, each with its manual page
# tools/<tool>/<tool>.1.in. Adding a tool to the installation is adding its name here.
set(KESTRELON_INSTALLED_TOOLS sgsim sgctl edidinfo)

# The console's desktop id: the name of its desktop entry, its icon and its AppStream metadata.
set(KESTRELON_APP_ID org.kestrelon.console)

# A Windows installation is one folder with the executables in it (the address file is kept
# beside the console); elsewhere the executables go to the usual bin directory.
if(WIN32)
    set(KESTRELON_INSTALL_BINDIR .)
else()
    set(KESTRELON_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
endif()

# The icon of the Windows executables, drawn at build time by tools/icons.
set(KESTRELON_ICO ${CMAKE_BINARY_DIR}/icons/kestrelon.ico)

# A Windows executable gets a version resource with the project's version and the description;
# with WINDOWED also our icon and the manifest that asks for the common controls' visual styles
# and per-monitor DPI awareness. Nothing happens elsewhere.
function(kestrelon_windows_resources target description)
    if(NOT WIN32)
        return()
    endif()
    cmake_parse_arguments(arg "WINDOWED" "" "" ${ARGN})
    set(numbers)
    foreach(part MAJOR MINOR PATCH TWEAK)
        set(number "${PROJECT_VERSION_${part}}")
        if(number STREQUAL "")
            set(number 0)
        endif()
        list(APPEND numbers ${number})
    endforeach()
    list(JOIN numbers "," RC_VERSION_NUMBERS)
    list(JOIN numbers "." RC_VERSION_DOTTED)
    set(RC_DESCRIPTION "${description}")
    set(RC_FILE_NAME "${target}.exe")
    set(RC_WINDOWED "")
    set(dir ${CMAKE_BINARY_DIR}/windows)
    if(arg_WINDOWED)
        configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/kestrelon.manifest.in
                       ${dir}/kestrelon.manifest @ONLY)
        set(RC_WINDOWED "IDR_MAINFRAME ICON \"${KESTRELON_ICO}\"\n"
                        "CREATEPROCESS_MANIFEST_RESOURCE_ID RT_MANIFEST \"${dir}/kestrelon.manifest\"")
        string(JOIN "" RC_WINDOWED ${RC_WINDOWED})
        add_dependencies(${target} kestrelon_icons)
        set_source_files_properties(${dir}/${target}.rc PROPERTIES
                                    OBJECT_DEPENDS "${KESTRELON_ICO};${dir}/kestrelon.manifest")
    endif()
    configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/resources.rc.in ${dir}/${target}.rc @ONLY)
    target_sources(${target} PRIVATE ${dir}/${target}.rc)
endfunction()

# Installs a command-line tool built here, and outside Windows its manual page <tool>/<tool>.1.in
# with the project's version filled in.
function(kestrelon_install_tool tool)
    if(NOT TARGET ${tool})
        return()
    endif()
    install(TARGETS ${tool} RUNTIME DESTINATION ${KESTRELON_INSTALL_BINDIR})
    kestrelon_windows_resources(${tool} "${tool} (Kestrelon)")
    if(WIN32)
        return()
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${tool}.1)
    configure_file(${CMAKE_SOURCE_DIR}/tools/${tool}/${tool}.1.in ${page} @ONLY)
    find_program(KESTRELON_GZIP gzip)
    if(KESTRELON_GZIP)
        add_custom_command(OUTPUT ${page}.gz COMMAND ${KESTRELON_GZIP} -9nf -k ${page}
                           DEPENDS ${page})
        add_custom_target(${tool}_manual ALL DEPENDS ${page}.gz)
        install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    else()
        install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endif()
endfunction()
