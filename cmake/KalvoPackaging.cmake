# The Linux program as a Debian package: `cpack -G DEB` in a build folder makes kalvo_<version>_<arch>.deb
# with the programs in /usr/bin, their data in /usr/share/kalvo and what Debian's policy asks beside them.
if(NOT KALVO_BUILD_GUI OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()
include(GNUInstallDirs)

# The copyright file, as Debian's policy wants it.
set(kalvo_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kalvo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${kalvo_doc_dir})
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog kalvo_changelog_top LIMIT_COUNT 1)
if(NOT kalvo_changelog_top MATCHES "^kalvo \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/debian/changelog has no entry for ${PROJECT_VERSION} at the top")
endif()
# The changelog and the manual pages go compressed (gzip -n, so the same sources give the same package).
find_program(KALVO_GZIP gzip)
function(kalvo_install_gzipped source destination)
  if(NOT KALVO_GZIP)
    return()
  endif()
  get_filename_component(name ${source} NAME)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
  execute_process(COMMAND ${KALVO_GZIP} -9nc INPUT_FILE ${source} OUTPUT_FILE ${PROJECT_BINARY_DIR}/packaging/${name}.gz
                  COMMAND_ERROR_IS_FATAL ANY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/${name}.gz DESTINATION ${destination})
endfunction()
kalvo_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${kalvo_doc_dir})
kalvo_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/man/kalvo.1 ${CMAKE_INSTALL_MANDIR}/man1)
kalvo_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/man/kalvo-cli.1 ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalvo)
set(CPACK_PACKAGE_VENDOR "Kalvo")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kalvo <${KALVO_CONTACT_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray reminders with Slovak name days and birthdays")
# Lines of the long description stay under 80 columns, as Debian's tools want them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kalvo sits in the notification area and keeps reminders with advance\n"
  "notices that repeat daily, weekly, monthly or yearly. It creates name days\n"
  "and birthdays from the Slovak name-day calendar, shows every alarm in a\n"
  "strip above the task bar, can sound a time signal and switch the computer\n"
  "off at a chosen moment, and keeps an archive of past reminders. Its user\n"
  "interface is Slovak.\n"
  "\n"
  "kalvo-cli reads and writes the same files from the command line and talks\n"
  "to the running program over D-Bus.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${KALVO_HOMEPAGE_URL})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders are 0755 whatever the umask of the one who builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
