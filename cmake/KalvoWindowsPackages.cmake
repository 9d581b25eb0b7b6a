# What a Windows user downloads: kalvo-<version>-setup.exe (NSIS) and kalvo-<version>-portable.zip (the
# program, kalvo-cli, the name calendar, the sound and the licence of the face built into kalvo.exe, in
# one folder). Both land in <build>/packages.
find_program(KALVO_MAKENSIS makensis)
set(KALVO_PACKAGES_DIR ${CMAKE_BINARY_DIR}/packages)
set(KALVO_SETUP ${KALVO_PACKAGES_DIR}/kalvo-${PROJECT_VERSION}-setup.exe)
set(KALVO_PORTABLE_ZIP ${KALVO_PACKAGES_DIR}/kalvo-${PROJECT_VERSION}-portable.zip)

# DejaVu Sans is compiled into kalvo.exe (src/CMakeLists.txt); its licence asks to travel with it.
set(face_licence ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/licenses/DejaVu.txt)
add_custom_command(
  OUTPUT ${face_licence}
  COMMAND ${CMAKE_COMMAND} -E copy ${KALVO_FACE_LICENCE} ${face_licence}
  DEPENDS ${KALVO_FACE_LICENCE}
  VERBATIM)

add_custom_command(
  OUTPUT ${KALVO_PORTABLE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KALVO_PACKAGES_DIR}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${KALVO_PORTABLE_ZIP} --format=zip -- kalvo.exe kalvo-cli.exe calend.dat
          sound.wav licenses/DejaVu.txt
  WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  DEPENDS kalvo kalvo-cli kalvo_assets ${KALVO_CALENDAR} ${KALVO_SOUND} ${face_licence}
  COMMENT "Packing kalvo-${PROJECT_VERSION}-portable.zip"
  VERBATIM)
set(package_outputs ${KALVO_PORTABLE_ZIP})

if(KALVO_MAKENSIS)
  add_custom_command(
    OUTPUT ${KALVO_SETUP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KALVO_PACKAGES_DIR}
    COMMAND ${KALVO_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DBIN=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
            -DICON=${KALVO_ICON_FILE} -DOUT=${KALVO_SETUP} ${PROJECT_SOURCE_DIR}/packaging/windows/kalvo.nsi
    DEPENDS kalvo kalvo-cli kalvo_assets kalvo_art_png ${KALVO_CALENDAR} ${KALVO_SOUND} ${face_licence}
            ${PROJECT_SOURCE_DIR}/packaging/windows/kalvo.nsi
    COMMENT "Building kalvo-${PROJECT_VERSION}-setup.exe with NSIS"
    VERBATIM)
  list(APPEND package_outputs ${KALVO_SETUP})
else()
  message(STATUS "Windows installer: off (makensis not found; Debian: nsis)")
endif()
add_custom_target(kalvo_windows_packages ALL DEPENDS ${package_outputs})
