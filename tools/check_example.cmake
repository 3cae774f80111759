# Runs the example generator into the build folder and compares its output
# with the committed examples/ship.cob.
execute_process(COMMAND ${GENERATOR} ${ACTUAL} RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_example failed (${status})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${EXPECTED} ${ACTUAL} RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  message(FATAL_ERROR "examples/ship.cob is not what make_example writes now: run make_example and commit the result")
endif()
