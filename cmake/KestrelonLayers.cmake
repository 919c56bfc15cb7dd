# The layers of the source tree, as each folder's README states them under "May include". Every
# library and executable of a folder says what it may include with kestrelon_layer; before the
# target is built, cmake/check_layers.cmake reads the quoted includes of its sources (and of the
# folder's headers they reach) and fails the build on one that the folder may not include.
# Includes are written from the tree's root ("link/frame.h"), which every target has on its
# include path.
set(KESTRELON_LAYER_CHECK ${CMAKE_CURRENT_LIST_DIR}/check_layers.cmake)

# kestrelon_layer(<target> FOLDER <folder/> MAY_INCLUDE <folder/ or file>...)
function(kestrelon_layer target)
    cmake_parse_arguments(arg "" "FOLDER" "MAY_INCLUDE" ${ARGN})
    if(NOT arg_FOLDER MATCHES "/$")
        message(FATAL_ERROR "kestrelon_layer(${target}): FOLDER must end in /")
    endif()
    get_target_property(type ${target} TYPE)
    set(scope PUBLIC)
    if(type STREQUAL "EXECUTABLE" OR type STREQUAL "MODULE_LIBRARY")
        set(scope PRIVATE)
    endif()
    target_include_directories(${target} ${scope} ${CMAKE_SOURCE_DIR})

    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(files)
    foreach(source ${sources})
        get_filename_component(source ${source} ABSOLUTE BASE_DIR ${source_dir})
        file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${source})
        if(NOT rel MATCHES "^\\.\\./" AND source MATCHES "\\.(cpp|h)$")
            list(APPEND files ${source})
        endif()
    endforeach()
    get_target_property(roots ${target} INCLUDE_DIRECTORIES)
    set(other_roots)
    foreach(root ${roots})
        if(NOT root MATCHES "^\\$<" AND NOT root STREQUAL CMAKE_SOURCE_DIR)
            list(APPEND other_roots ${root})
        endif()
    endforeach()

    set(dir ${CMAKE_BINARY_DIR}/layers)
    set(rules ${dir}/${target}.cmake)
    file(CONFIGURE OUTPUT ${rules} CONTENT
"set(ROOT [[${CMAKE_SOURCE_DIR}]])
set(FOLDER [[${arg_FOLDER}]])
set(ALLOWED [[${arg_MAY_INCLUDE}]])
set(OTHER_ROOTS [[${other_roots}]])
set(SOURCES [[${files}]])
set(STAMP [[${dir}/${target}.stamp]])
set(DEPFILE [[${dir}/${target}.d]])
")
    add_custom_command(OUTPUT ${dir}/${target}.stamp
                       COMMAND ${CMAKE_COMMAND} -DRULES=${rules} -P ${KESTRELON_LAYER_CHECK}
                       DEPENDS ${rules} ${KESTRELON_LAYER_CHECK} ${files}
                       DEPFILE ${dir}/${target}.d
                       COMMENT "Checking the includes of ${target}"
                       VERBATIM)
    add_custom_target(${target}_layers DEPENDS ${dir}/${target}.stamp)
    add_dependencies(${target} ${target}_layers)
endfunction()
