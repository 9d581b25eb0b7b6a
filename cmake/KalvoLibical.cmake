# libical as one target for every user of it, kalvo_libical (LIBICAL_FOUND and LIBICAL_VERSION say whether
# and which):
# - Linux: the system's libical (Debian: libical-dev), found with pkg-config; its zones come from the
#   system's zone data.
# - Windows: the static libical that scripts/build-libical-windows.sh builds into the cache beside the Qt
#   for Windows (KALVO_WINDOWS_LIBICAL, from the cache variable, the environment or the script's --print).
#   Windows has no zone data that libical can read, so libical's own zone descriptions are compiled in:
#   KALVO_ZONE_TABLE is the source that holds them (see src/storage/ical/known_zone.h).
set(LIBICAL_FOUND FALSE)
if(WIN32)
  set(KALVO_WINDOWS_LIBICAL "" CACHE PATH "libical for Windows (scripts/build-libical-windows.sh); its cache when empty")
  set(libical_prefix "${KALVO_WINDOWS_LIBICAL}")
  if(NOT libical_prefix)
    set(libical_prefix "$ENV{KALVO_WINDOWS_LIBICAL}")
  endif()
  if(NOT libical_prefix)
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-libical-windows.sh --print
                    OUTPUT_VARIABLE libical_prefix OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(libical_prefix AND EXISTS "${libical_prefix}/.kalvo-complete")
    file(STRINGS "${libical_prefix}/lib/pkgconfig/libical.pc" LIBICAL_VERSION REGEX "^Version:")
    string(REGEX REPLACE "^Version: *" "" LIBICAL_VERSION "${LIBICAL_VERSION}")
    find_package(Threads REQUIRED)  # libical guards its zone cache with a mutex
    add_library(kalvo_libical INTERFACE)
    target_include_directories(kalvo_libical SYSTEM INTERFACE "${libical_prefix}/include")
    target_link_libraries(kalvo_libical INTERFACE "${libical_prefix}/lib/libical.a" Threads::Threads)
    # Without it libical's headers declare every function as imported from a DLL.
    target_compile_definitions(kalvo_libical INTERFACE LIBICAL_ICAL_STATIC_DEFINE)
    set(KALVO_ZONE_TABLE ${PROJECT_BINARY_DIR}/generated/known_zone_table.cpp)
    add_custom_command(
      OUTPUT ${KALVO_ZONE_TABLE}
      COMMAND ${CMAKE_COMMAND} -DZONEINFO=${libical_prefix}/share/libical/zoneinfo -DOUTPUT=${KALVO_ZONE_TABLE}
              -P ${PROJECT_SOURCE_DIR}/cmake/KalvoZoneTable.cmake
      DEPENDS ${PROJECT_SOURCE_DIR}/cmake/KalvoZoneTable.cmake "${libical_prefix}/.kalvo-complete"
      COMMENT "Compiling libical's zone descriptions into a table"
      VERBATIM)
    set(LIBICAL_FOUND TRUE)
  else()
    message(STATUS "libical for Windows: not built (scripts/build-libical-windows.sh builds it)")
  endif()
else()
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(LIBICAL QUIET IMPORTED_TARGET libical)
  endif()
  if(LIBICAL_FOUND)
    add_library(kalvo_libical INTERFACE)
    target_link_libraries(kalvo_libical INTERFACE PkgConfig::LIBICAL)
  endif()
endif()
