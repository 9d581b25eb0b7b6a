# What a Windows user downloads: kalvo-<version>-setup.exe (NSIS) and kalvo-<version>-portable.zip (the
# program, kalvo-cli, the name calendar, the sound and the licences of what the programs carry, in one
# folder). Both land in <build>/packages.
find_program(KALVO_MAKENSIS makensis)
set(KALVO_PACKAGES_DIR ${CMAKE_BINARY_DIR}/packages)
set(KALVO_SETUP ${KALVO_PACKAGES_DIR}/kalvo-${PROJECT_VERSION}-setup.exe)
set(KALVO_PORTABLE_ZIP ${KALVO_PACKAGES_DIR}/kalvo-${PROJECT_VERSION}-portable.zip)

# The licences of what the two programs carry of others' work, which ask to travel with it: DejaVu Sans
# (compiled into kalvo.exe, src/CMakeLists.txt), the static Qt with the libraries inside it (zlib, libpng,
# libjpeg, PCRE2, HarfBuzz, FreeType...), libical, and MinGW-w64's and GCC's runtime. Each is Debian's
# copyright file of the sources it was built from, which quotes every licence whole.
set(KALVO_WINDOWS_LICENCES
    DejaVu ${KALVO_FACE_LICENCE}
    Qt /usr/share/doc/qt6-base-dev/copyright
    libical /usr/share/doc/libical-dev/copyright
    MinGW-w64 /usr/share/doc/mingw-w64-x86-64-dev/copyright
    GCC /usr/share/doc/gcc-mingw-w64-base/copyright)
set(licence_files)
set(licence_names)
set(licence_pairs ${KALVO_WINDOWS_LICENCES})
while(licence_pairs)
  list(POP_FRONT licence_pairs name source)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${source} is missing: the ${name} licence for the Windows packages "
                        "(scripts/install-deps.sh windows installs its package)")
  endif()
  set(shipped ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/licenses/${name}.txt)
  add_custom_command(
    OUTPUT ${shipped}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${shipped}
    DEPENDS ${source}
    VERBATIM)
  list(APPEND licence_files ${shipped})
  list(APPEND licence_names licenses/${name}.txt)
endwhile()

add_custom_command(
  OUTPUT ${KALVO_PORTABLE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KALVO_PACKAGES_DIR}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${KALVO_PORTABLE_ZIP} --format=zip -- kalvo.exe kalvo-cli.exe calend.dat
          sound.wav ${licence_names}
  WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
  DEPENDS kalvo kalvo-cli kalvo_assets ${KALVO_CALENDAR} ${KALVO_SOUND} ${licence_files}
  COMMENT "Packing kalvo-${PROJECT_VERSION}-portable.zip"
  VERBATIM)
set(package_outputs ${KALVO_PORTABLE_ZIP})

if(KALVO_MAKENSIS)
  add_custom_command(
    OUTPUT ${KALVO_SETUP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KALVO_PACKAGES_DIR}
    COMMAND ${KALVO_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DBIN=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
            -DICON=${KALVO_ICON_FILE} -DOUT=${KALVO_SETUP} ${PROJECT_SOURCE_DIR}/packaging/windows/kalvo.nsi
    DEPENDS kalvo kalvo-cli kalvo_assets kalvo_art_png ${KALVO_CALENDAR} ${KALVO_SOUND} ${licence_files}
            ${PROJECT_SOURCE_DIR}/packaging/windows/kalvo.nsi
    COMMENT "Building kalvo-${PROJECT_VERSION}-setup.exe with NSIS"
    VERBATIM)
  list(APPEND package_outputs ${KALVO_SETUP})
else()
  message(STATUS "Windows installer: off (makensis not found; Debian: nsis)")
endif()
add_custom_target(kalvo_windows_packages ALL DEPENDS ${package_outputs})
