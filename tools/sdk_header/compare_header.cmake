execute_process(COMMAND "${WRITER}" "${SCRATCH}" RESULT_VARIABLE written)
if(NOT written EQUAL 0)
  message(FATAL_ERROR "the header writer failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${COMMITTED}" "${SCRATCH}" RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "sdk/keplinor_api.h is out of date with the API tables: "
                      "run `cmake --build <build folder> --target update_sdk_header` and commit it")
endif()
