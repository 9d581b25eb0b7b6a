#include "ui/common/program_look.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStyleFactory>

namespace kalvo::ui {

bool HasOwnLook() {
#ifdef KALVO_OWN_LOOK
    return true;
#else
    return false;
#endif
}

bool UseProgramLook(QString* problem) {
#ifdef KALVO_OWN_LOOK
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QString family = QStringLiteral("DejaVu Sans");
    for (const char* file : {":/kalvo/fonts/DejaVuSans.ttf", ":/kalvo/fonts/DejaVuSans-Bold.ttf"}) {
        if (QFontDatabase::addApplicationFont(QString::fromLatin1(file)) < 0) {
            if (problem) *problem = QStringLiteral("the compiled-in face %1 did not load").arg(QLatin1String(file));
            return false;
        }
    }
    // Asked for by name in a few places; where Windows has them, they are used as they are.
    for (const char* named : {"Arial", "Tahoma", "MS Shell Dlg 2", "MS Sans Serif"})
        QFont::insertSubstitution(QString::fromLatin1(named), family);
    // Unhinted, as the Linux desktops draw it: the words are as wide there as here, so what fits one fits
    // the other, while Windows' own hinting would widen small text by a few per cent.
    QFont face(family, 9);
    face.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(face);
    return true;
#else
    (void)problem;
    return true;
#endif
}

}  // namespace kalvo::ui
