#include "app/qt_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kalvo::app {

QTranslator* InstallQtSlovakTexts(QObject* owner) {
    auto* translator = new QTranslator(owner);
    // The built-in copy first: a Windows program has no Qt installed beside it, and a Linux one may lack
    // the distribution's translations package.
    const bool loaded =
        translator->load(QStringLiteral(":/kalvo/i18n/qtbase_sk.qm")) ||
        translator->load(QLocale(QStringLiteral("sk_SK")), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace kalvo::app
