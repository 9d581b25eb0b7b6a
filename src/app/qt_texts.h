#pragma once
// Qt's own texts (message box buttons, file dialogs, context menus) in Slovak, as the rest of the program.

class QObject;
class QTranslator;

namespace kalvo::app {

// Installs Qt's Slovak texts into the running application: the copy built into the program, otherwise
// the one beside the Qt it runs on. The translator belongs to `owner`; null when no copy was found, and
// Qt's English texts stay.
QTranslator* InstallQtSlovakTexts(QObject* owner);

}  // namespace kalvo::app
