# Runs one end-to-end script with vorkan42-script in a fresh working folder and checks
# what it did. Beside <name>.vks:
#   <name>.out     the expected standard output, compared whole (required);
#   <name>.status  the expected exit status (default 0);
#   <name>.err     lines that must each appear somewhere in the error output;
#   <name>.ini     lines that must each appear in the Vorkan42.INI the run left
#                  (<name>.desktop.ini instead on the desktop, when it exists);
#   <name>.opened  the addresses handed to the opener, one a line, in any order: each
#                  opener is a process of its own, and they may finish in any order;
#   <name>.setup.cmake  run in the working folder before the script (WORKDIR set), to
#                  make the files the script reads.
# A recording opener stands first on PATH, so nothing is ever opened for real.
# Called as: cmake -DPROGRAM=... -DSCRIPT=... -DWORKDIR=... -P RunScript.cmake; with
# -DDESKTOP=ON -DSESSION=DesktopSession.sh the script runs on the desktop front end.
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/bin)
set(opened ${WORKDIR}/opened.txt)
file(WRITE ${WORKDIR}/bin/xdg-open "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '${opened}'\n")
file(CHMOD ${WORKDIR}/bin/xdg-open PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

if(EXISTS ${dir}/${name}.setup.cmake)
  include(${dir}/${name}.setup.cmake)
endif()

set(command ${PROGRAM} ${SCRIPT})
if(DESKTOP)
  set(command sh ${SESSION} ${PROGRAM} --desktop ${SCRIPT})
endif()
# A run that hangs is stopped by the watchdog, which prints where the program's threads
# stood; the time limit here only backs it up.
get_filename_component(program_name ${PROGRAM} NAME)
string(SUBSTRING "${program_name}" 0 15 program_name)
execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${WORKDIR}/bin:$ENV{PATH}"
                        bash ${CMAKE_CURRENT_LIST_DIR}/Watchdog.sh 90 ${program_name} ${command}
                WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 110)

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
set(ini_expected ${dir}/${name}.ini)
if(DESKTOP AND EXISTS ${dir}/${name}.desktop.ini)
  set(ini_expected ${dir}/${name}.desktop.ini)
endif()
if(EXISTS ${ini_expected})
  set(ini "")
  if(EXISTS ${WORKDIR}/Vorkan42.INI)
    file(READ ${WORKDIR}/Vorkan42.INI ini)
  endif()
  file(STRINGS ${ini_expected} wanted)
  foreach(line IN LISTS wanted)
    string(FIND "${ini}" "${line}" at)
    if(at EQUAL -1)
      string(APPEND failures "Vorkan42.INI lacks: ${line}\n--- it holds\n${ini}---\n")
    endif()
  endforeach()
endif()
if(EXISTS ${dir}/${name}.opened)
  file(STRINGS ${dir}/${name}.opened wanted)
  list(LENGTH wanted count)
  # The last openers may still be running when the program has ended: wait (a bounded
  # while) until as many lines as expected are there.
  set(got "")
  foreach(attempt RANGE 200)
    if(EXISTS ${opened})
      file(STRINGS ${opened} got)
    endif()
    list(LENGTH got have)
    if(have GREATER_EQUAL count)
      break()
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.05)
  endforeach()
  list(SORT wanted)
  list(SORT got)
  if(NOT got STREQUAL wanted)
    string(REPLACE ";" "\n" w "${wanted}")
    string(REPLACE ";" "\n" g "${got}")
    string(APPEND failures "the opener was handed other addresses.\n--- expected (sorted)\n${w}\n--- actual (sorted)\n${g}\n---\n")
  endif()
endif()
if(failures)
  message(FATAL_ERROR "${name}: ${failures}--- error output\n${err}")
endif()
