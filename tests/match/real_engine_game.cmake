# One real game of one end between two curling-engine processes, run by curling-match.
# Usage: cmake -DMATCH=<curling-match> -DENGINE=<curling-engine> -DOUT=<dir> -P real_engine_game.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(
  COMMAND "${MATCH}" --ends 1 --seed 2026 --time-limit 120
          --record "${OUT}/record.jsonl" --pictures "${OUT}/pictures" "${ENGINE}" "${ENGINE}"
  RESULT_VARIABLE status
  ERROR_VARIABLE progress)
message("${progress}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "curling-match exited with ${status}")
endif()
file(STRINGS "${OUT}/record.jsonl" shots REGEX "\"type\":\"shot\"")
list(LENGTH shots shotCount)
if(NOT shotCount EQUAL 16)
  message(FATAL_ERROR "expected 16 shots in the record, found ${shotCount}")
endif()
file(STRINGS "${OUT}/record.jsonl" games REGEX "\"type\":\"game\"")
list(LENGTH games gameCount)
if(NOT gameCount EQUAL 1 OR NOT games MATCHES "\"forfeits\":\\[\\]")
  message(FATAL_ERROR "expected one game played out without a forfeit: ${games}")
endif()
foreach(picture game-01.html game-01-end-01.svg index.html)
  if(NOT EXISTS "${OUT}/pictures/${picture}")
    message(FATAL_ERROR "missing picture ${picture}")
  endif()
endforeach()
