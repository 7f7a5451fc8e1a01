# Writes the shared launcher DLL's .def file: the same entry points the export
# map gives the Linux library (launch/shared_launcher.map), taken from the
# defined symbols of the given libraries and objects, so a new entry point is
# exported without a list to keep. Everything else stays inside the DLL.
#
#   cmake -DNM=<nm> -DINPUTS=<libraries and objects> -DOUTPUT=<.def> -P shared_launcher_def.cmake

# Mangled names: members of SharedLauncher:: and simple_logger::, and the C entries.
set(exported "^_Z[A-Z]*N[KVRO]*(14SharedLauncher|13simple_logger)" "^ZorbitSharedLauncher_")

set(names)
foreach(input IN LISTS INPUTS)
    execute_process(COMMAND ${NM} --extern-only --defined-only --portability ${input}
        OUTPUT_VARIABLE listing RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${NM} could not read ${input}")
    endif()
    string(REPLACE "\n" ";" lines "${listing}")
    foreach(line IN LISTS lines)
        string(REGEX MATCH "^[^ ]+ [A-Z] " symbol "${line}")
        if(NOT symbol)
            continue()
        endif()
        string(REGEX REPLACE " .*" "" symbol "${symbol}")
        foreach(pattern IN LISTS exported)
            if(symbol MATCHES "${pattern}")
                list(APPEND names "${symbol}")
            endif()
        endforeach()
    endforeach()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
if(NOT names)
    message(FATAL_ERROR "no entry points of the shared launcher in ${INPUTS}")
endif()
list(JOIN names "\n    " lines)
file(WRITE ${OUTPUT} "EXPORTS\n    ${lines}\n")
