# Warning flags shared by every target of the project.
add_library(keplinor_warnings INTERFACE)
target_compile_options(keplinor_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough)
if(KEPLINOR_WERROR)
  target_compile_options(keplinor_warnings INTERFACE -Werror)
endif()
