# The core links no toolkit: fail the configuration if a core file includes a Qt header.
file(GLOB_RECURSE _core_sources "${CMAKE_SOURCE_DIR}/src/core/*.h" "${CMAKE_SOURCE_DIR}/src/core/*.cpp")
foreach(_file IN LISTS _core_sources)
  file(STRINGS "${_file}" _qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]+|Qt[A-Za-z]*/)")
  if(_qt_includes)
    message(FATAL_ERROR "The core must not include Qt headers: ${_file}: ${_qt_includes}")
  endif()
endforeach()
