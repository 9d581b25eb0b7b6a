# Hardened programs on both systems.
#
# Linux: Debian's hardening flags, as dpkg-buildflags gives them to every package (fortified C library
# calls, the strong stack protector, format-string checks, read-only relocations bound at start), so the
# .deb built from any optimised build passes lintian's hardening checks. Where dpkg-buildflags is missing
# the same flags are used. Instrumented and unoptimised builds go without: the sanitizers bring their own
# checks, and _FORTIFY_SOURCE needs the optimiser.
#
# Windows: ASLR with high-entropy addresses and DEP, stated explicitly rather than left to the linker's
# defaults, which older binutils did not have.
option(KALVO_HARDENING "Build with the system's hardening flags" ON)

function(kalvo_linux_hardening_flags out_compile out_link)
  set(compile -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security)
  set(link -Wl,-z,relro -Wl,-z,now)
  find_program(KALVO_DPKG_BUILDFLAGS dpkg-buildflags)
  if(KALVO_DPKG_BUILDFLAGS)
    set(compile "")
    set(link "")
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
      execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                              ${KALVO_DPKG_BUILDFLAGS} --get ${kind}
                      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        continue()
      endif()
      separate_arguments(flags UNIX_COMMAND "${flags}")
      # Only the hardening: optimisation, debug information and path maps stay the build type's.
      foreach(flag IN LISTS flags)
        if(flag MATCHES "^-Wl,")
          list(APPEND link ${flag})
        elseif(flag MATCHES "^(-D_FORTIFY_SOURCE|-fstack-protector|-fstack-clash-protection|-fcf-protection|-Wformat|-Werror=format-security)")
          list(APPEND compile ${flag})
        endif()
      endforeach()
    endforeach()
    list(REMOVE_DUPLICATES compile)
    list(REMOVE_DUPLICATES link)
  endif()
  set(${out_compile} ${compile} PARENT_SCOPE)
  set(${out_link} ${link} PARENT_SCOPE)
endfunction()

if(KALVO_HARDENING)
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_link_options(-Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va)
  elseif(UNIX AND NOT KALVO_INSTRUMENTED AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang"
         AND NOT CMAKE_BUILD_TYPE MATCHES "^(Debug)?$")
    kalvo_linux_hardening_flags(kalvo_hardening_compile kalvo_hardening_link)
    add_compile_options(${kalvo_hardening_compile})
    add_link_options(${kalvo_hardening_link})
    list(JOIN kalvo_hardening_compile " " shown_compile)
    list(JOIN kalvo_hardening_link " " shown_link)
    message(STATUS "Hardening: ${shown_compile} ${shown_link}")
  endif()
endif()
