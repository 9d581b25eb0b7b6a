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
  target_compile_options(kalvo_warnings INTERFACE /W4 $<$<BOOL:${KALVO_WERROR}>:/WX>)
endif()
