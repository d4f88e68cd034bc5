# find_package(KeplinorSDK) for plugins built outside the program's tree:
#   keplinor_add_plugin(<target> [OUTPUT_NAME <file name>] <sources>...)
#   keplinor_check_plugin(<target> [TIMEOUT <seconds>] [ARGS <kit arguments>...])
# The second adds a CTest test that runs the installed keplinor-plugin-check on
# the built plugin (call enable_testing() in the top-level CMakeLists.txt).
# Everything is found relative to this file, so the installed tree can move.
get_filename_component(_keplinor_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
set(KEPLINOR_SDK_INCLUDE_DIR "${_keplinor_prefix}/share/keplinor/sdk")
include("${KEPLINOR_SDK_INCLUDE_DIR}/KeplinorPlugin.cmake")
find_program(KEPLINOR_PLUGIN_CHECK keplinor-plugin-check PATHS "${_keplinor_prefix}/bin" NO_DEFAULT_PATH)
unset(_keplinor_prefix)

function(keplinor_check_plugin target)
  cmake_parse_arguments(CHECK "" "TIMEOUT" "ARGS" ${ARGN})
  if(NOT KEPLINOR_PLUGIN_CHECK)
    message(FATAL_ERROR "keplinor_check_plugin: keplinor-plugin-check is not installed beside this SDK")
  endif()
  if(NOT CHECK_TIMEOUT)
    set(CHECK_TIMEOUT 10)
  endif()
  add_test(NAME keplinor_check.${target}
           COMMAND "${KEPLINOR_PLUGIN_CHECK}" "$<TARGET_FILE:${target}>" --timeout ${CHECK_TIMEOUT} ${CHECK_ARGS})
  # Seven scenarios, each bounded by a few time-outs.
  math(EXPR _limit "7 * (${CHECK_TIMEOUT} * 3 + 20)")
  set_tests_properties(keplinor_check.${target} PROPERTIES TIMEOUT ${_limit})
endfunction()

set(KeplinorSDK_FOUND TRUE)
