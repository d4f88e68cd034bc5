# keplinor_add_plugin(<target> [OUTPUT_NAME <file name>] <sources>...)
#
# Builds a plugin: a shared object with hidden visibility, so that only the
# symbols the SDK's macros mark (TPlugin_OnStartup, TPlugin_OnShutdown, events,
# API variables) are exported. The file is named <target>.so unless OUTPUT_NAME
# gives another name (the program also loads "*.fpn").
get_filename_component(KEPLINOR_SDK_DIR "${CMAKE_CURRENT_LIST_DIR}" ABSOLUTE)

function(keplinor_add_plugin target)
  cmake_parse_arguments(PLUGIN "" "OUTPUT_NAME" "" ${ARGN})
  add_library(${target} MODULE ${PLUGIN_UNPARSED_ARGUMENTS})
  target_include_directories(${target} PRIVATE "${KEPLINOR_SDK_DIR}")
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    SUFFIX ".so"
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(PLUGIN_OUTPUT_NAME)
    get_filename_component(_stem "${PLUGIN_OUTPUT_NAME}" NAME_WE)
    get_filename_component(_suffix "${PLUGIN_OUTPUT_NAME}" LAST_EXT)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${_stem}" SUFFIX "${_suffix}")
  endif()
endfunction()
