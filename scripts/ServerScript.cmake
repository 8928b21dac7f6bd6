# Runs one end-to-end script once more with the program's list on the test server:
# a schema of its own (made fresh, dropped afterwards) named by VORKAN42_CONNECTION,
# then tests/e2e/RunScript.cmake as usual. Without VORKAN42_TEST_CONNECTION (no test
# server) it says so and the test counts as skipped.
# Called as: cmake -DPROGRAM=... -DSCRIPT=... -DWORKDIR=... -DPSQL=... -P ServerScript.cmake
if("$ENV{VORKAN42_TEST_CONNECTION}" STREQUAL "")
  message("skipped: no test server (VORKAN42_TEST_CONNECTION is not set)")
  return()
endif()
get_filename_component(name ${SCRIPT} NAME_WE)
set(schema "e2e_${name}")
set(base "$ENV{VORKAN42_TEST_CONNECTION}")
execute_process(COMMAND ${PSQL} -X -q -v ON_ERROR_STOP=1 "${base}"
                        -c "DROP SCHEMA IF EXISTS ${schema} CASCADE" -c "CREATE SCHEMA ${schema}"
                RESULT_VARIABLE made ERROR_VARIABLE why)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "${name}: could not make schema ${schema} on the test server: ${why}")
endif()
set(ENV{VORKAN42_CONNECTION} "${base} options='-c search_path=${schema}'")
get_filename_component(here ${CMAKE_CURRENT_LIST_FILE} DIRECTORY)
include(${here}/../tests/e2e/RunScript.cmake)
execute_process(COMMAND ${PSQL} -X -q "${base}" -c "DROP SCHEMA IF EXISTS ${schema} CASCADE")
