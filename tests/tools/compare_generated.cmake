# Runs TOOL with the arguments the data file's header names and compares its output to EXPECTED.
execute_process(COMMAND ${TOOL} 20000 1 OUTPUT_FILE ${ACTUAL} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} failed: ${status}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${ACTUAL} ${EXPECTED}
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "${EXPECTED} is not what `${TOOL} 20000 1` prints (${ACTUAL}); regenerate it")
endif()
