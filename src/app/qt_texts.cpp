#include "app/qt_texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kalvo::app {

namespace {

// Qt 6 asks for the standard buttons' texts (Yes, No, Cancel ...) under QPlatformTheme, but the Slovak
// catalogue still holds them under QDialogButtonBox, where Qt 5 asked.
class QtSlovakTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
        QString text = QTranslator::translate(context, source, disambiguation, n);
        if (text.isEmpty() && qstrcmp(context, "QPlatformTheme") == 0)
            text = QTranslator::translate("QDialogButtonBox", source, disambiguation, n);
        return text;
    }
};

}  // namespace

QTranslator* InstallQtSlovakTexts(QObject* owner) {
    auto* translator = new QtSlovakTexts(owner);
    // The built-in copy first: a Windows program has no Qt installed beside it, and a Linux one may lack
    // the distribution's translations package.
    const bool loaded = translator->load(QStringLiteral(":/kalvo/i18n/qtbase_sk.qm")) ||
                        translator->load(QLocale(QStringLiteral("sk_SK")), QStringLiteral("qtbase"),
                                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace kalvo::app
