# Warning flags shared by every target of the project.
add_library(keplinor_warnings INTERFACE)
target_compile_options(keplinor_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough)
if(KEPLINOR_WERROR)
  target_compile_options(keplinor_warnings INTERFACE -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 at -O3 reports overlaps inside std::string that cannot happen (its bug 105329).
    target_compile_options(keplinor_warnings INTERFACE -Wno-error=restrict)
  endif()
endif()
