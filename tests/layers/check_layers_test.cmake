# The include check of the build (cmake/check_layers.cmake) with link/'s own rule, on a small
# tree of its own: an include the folder may not make fails with file, line and path, also in a
# folder header that a source reaches, and a clean source passes and names what it read.
#   cmake -DCHECK=<check_layers.cmake> -DLINK_RULES=<build>/layers/kestrelon_link.cmake
#         -DWORK=<scratch directory> -P check_layers_test.cmake
include(${LINK_RULES}) # FOLDER and ALLOWED as the build checks kestrelon_link
set(rule_folder ${FOLDER})
set(rule_allowed ${ALLOWED})

file(REMOVE_RECURSE ${WORK})
foreach(header app/console_dlg.h pages/page.h platform/serial/port.h platform/ui/message_target.h
               platform/ui/dialog.h linkage/frame.h)
    file(WRITE ${WORK}/${header} "#pragma once\n")
endforeach()
file(WRITE ${WORK}/link/frame.h "#pragma once\n#include \"platform/serial/port.h\"\n")
file(WRITE ${WORK}/link/inner.h "#pragma once\n#include \"pages/page.h\"\n")

# run(<name> <source text> <expected status> [<text the output must hold>...])
function(run name text expected)
    file(WRITE ${WORK}/link/${name}.cpp "${text}")
    set(rules ${WORK}/${name}.rules.cmake)
    file(WRITE ${rules} "set(ROOT [[${WORK}]])\nset(FOLDER [[${rule_folder}]])\n"
                        "set(ALLOWED [[${rule_allowed}]])\n"
                        "set(SOURCES [[${WORK}/link/${name}.cpp]])\n"
                        "set(STAMP [[${WORK}/${name}.stamp]])\nset(DEPFILE [[${WORK}/${name}.d]])\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DRULES=${rules} -P ${CHECK}
                    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
    set(out "${out}${err}")
    if(expected EQUAL 0 AND NOT status EQUAL 0 OR NOT expected EQUAL 0 AND status EQUAL 0)
        message(FATAL_ERROR "${name}: status ${status}, expected ${expected}:\n${out}")
    endif()
    foreach(needed ${ARGN})
        string(FIND "${out}" "${needed}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "${name}: \"${needed}\" missing from:\n${out}")
        endif()
    endforeach()
    if(expected EQUAL 0 AND NOT EXISTS ${WORK}/${name}.stamp)
        message(FATAL_ERROR "${name}: passed without its stamp")
    elseif(NOT expected EQUAL 0 AND EXISTS ${WORK}/${name}.stamp)
        message(FATAL_ERROR "${name}: failed but left a stamp, so the build would not check again")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

run(upward "#include \"link/frame.h\"\n#include \"app/console_dlg.h\"\n" 1
    "link/upward.cpp:2: link/ may not include app/console_dlg.h")
# Only the message target of the dialog layer, and a folder is matched as a whole name.
run(dialogs "#include \"platform/ui/message_target.h\"\n#include \"platform/ui/dialog.h\"\n// x\n#include \"linkage/frame.h\"\n" 1
    "link/dialogs.cpp:2: link/ may not include platform/ui/dialog.h"
    "link/dialogs.cpp:4: link/ may not include linkage/frame.h")
string(FIND "${out}" "may not include platform/ui/message_target.h" at)
if(NOT at EQUAL -1)
    message(FATAL_ERROR "dialogs: the allowed message target was refused:\n${out}")
endif()
# A header of the folder is checked where a source reaches it, with its own path and line.
run(reached "#include \"inner.h\"\n" 1 "link/inner.h:2: link/ may not include pages/page.h")

run(clean "#include \"link/frame.h\"\n#include \"platform/ui/message_target.h\"\n#include \"generated_version.h\"\n#include <vector>\n" 0)
file(READ ${WORK}/clean.d deps)
foreach(read link/clean.cpp link/frame.h)
    string(FIND "${deps}" "${WORK}/${read}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "clean: ${read} missing from the depfile:\n${deps}")
    endif()
endforeach()
