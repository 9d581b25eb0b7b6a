# Common warning set for every target of the project.
add_library(kalvo_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(kalvo_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wimplicit-fallthrough)
  if(KALVO_WERROR)
    target_compile_options(kalvo_warnings INTERFACE -Werror)
  endif()
elseif(MSVC)
  # The sources are UTF-8 and so are the program's texts; without /utf-8 the compiler reads them in the
  # machine's ANSI code page.
  target_compile_options(kalvo_warnings INTERFACE /utf-8 /W4 $<$<BOOL:${KALVO_WERROR}>:/WX>)
endif()
