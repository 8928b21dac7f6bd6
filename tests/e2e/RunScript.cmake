# Runs one end-to-end script with vorkan42-script in a fresh working folder and checks
# what it did. Beside <name>.vks:
#   <name>.out     the expected standard output, compared whole (required);
#   <name>.status  the expected exit status (default 0);
#   <name>.err     lines that must each appear somewhere in the error output;
#   <name>.ini     lines that must each appear in the Vorkan42.INI the run left.
# Called as: cmake -DPROGRAM=... -DSCRIPT=... -DWORKDIR=... -P RunScript.cmake
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})

execute_process(COMMAND ${PROGRAM} ${SCRIPT} WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 100)

set(failures "")
file(READ ${dir}/${name}.out expected)
if(NOT out STREQUAL expected)
  string(APPEND failures "standard output differs.\n--- expected\n${expected}--- actual\n${out}---\n")
endif()
set(expected_status 0)
if(EXISTS ${dir}/${name}.status)
  file(STRINGS ${dir}/${name}.status expected_status LIMIT_COUNT 1)
endif()
if(NOT status STREQUAL expected_status)
  string(APPEND failures "exit status ${status}, expected ${expected_status}\n")
endif()
if(EXISTS ${dir}/${name}.err)
  file(STRINGS ${dir}/${name}.err wanted)
  foreach(line IN LISTS wanted)
    string(FIND "${err}" "${line}" at)
    if(at EQUAL -1)
      string(APPEND failures "error output lacks: ${line}\n")
    endif()
  endforeach()
endif()
if(EXISTS ${dir}/${name}.ini)
  set(ini "")
  if(EXISTS ${WORKDIR}/Vorkan42.INI)
    file(READ ${WORKDIR}/Vorkan42.INI ini)
  endif()
  file(STRINGS ${dir}/${name}.ini wanted)
  foreach(line IN LISTS wanted)
    string(FIND "${ini}" "${line}" at)
    if(at EQUAL -1)
      string(APPEND failures "Vorkan42.INI lacks: ${line}\n--- it holds\n${ini}---\n")
    endif()
  endforeach()
endif()
if(failures)
  message(FATAL_ERROR "${name}: ${failures}--- error output\n${err}")
endif()
