# Qt's Slovak texts (qtbase_sk.qm) built into the program, so its message boxes and file dialogs speak
# Slovak wherever it runs. The file is the same on every system, so a cross build takes the build
# machine's copy (Debian: qt6-translations-l10n); without one the program looks beside its Qt at run time.
set(KALVO_QT_TRANSLATIONS_DIR "/usr/share/qt6/translations" CACHE PATH
    "Folder on the build machine holding Qt's qtbase_sk.qm, built into the program")
set(kalvo_qtbase_sk "${KALVO_QT_TRANSLATIONS_DIR}/qtbase_sk.qm")
if(EXISTS "${kalvo_qtbase_sk}")
  qt_add_resources(kalvo_app kalvo_qt_texts
    PREFIX /kalvo/i18n
    BASE "${KALVO_QT_TRANSLATIONS_DIR}"
    FILES "${kalvo_qtbase_sk}")
  target_compile_definitions(kalvo_app PUBLIC KALVO_QT_TEXTS_BUILT_IN=1)
  message(STATUS "Qt's Slovak texts: built in from ${kalvo_qtbase_sk}")
else()
  message(WARNING "${kalvo_qtbase_sk} not found (Debian: qt6-translations-l10n): Qt's own dialogs stay "
                  "English unless Qt's translations are installed where the program runs")
endif()
