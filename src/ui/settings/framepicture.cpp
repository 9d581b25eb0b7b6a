#include "ui/settings/framepicture.h"
#include "ui/settings/setup_page.h"

#include <QLabel>

#include "ui/common/window_builders.h"

namespace kalvo::ui {

TFrPicture::TFrPicture(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FrPicture1"));
    setFixedSize(510, kSetupPageHeight);

    auto caption = [this](const QString& text, int y) {
        auto* l = new QLabel(text, this);
        l->setGeometry(10, y, 300, 16);
        QFont bold = l->font();
        bold.setBold(true);
        l->setFont(bold);
        return l;
    };
    auto edit = [this](const char* name, int y) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setGeometry(10, y, 386, 24);
        return e;
    };
    auto button = [this](const char* name, int y) {
        auto* b = new QPushButton(QStringLiteral("Hľadať ..."), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(404, y, 96, 26);
        return b;
    };

    QLabel* kalvoCaption = caption(QStringLiteral("Obrázok Kalvo"), 12);
    KalvoPicture = edit("KalvoPicture", 32);
    NameByCaption(kalvoCaption, KalvoPicture);
    KalvoPicture->setReadOnly(true);
    Button1 = button("Button1", 31);

    QLabel* reminderCaption = caption(QStringLiteral("Štandardný obrázok pripomienky"), 72);
    PripPicture = edit("PripPicture", 92);
    NameByCaption(reminderCaption, PripPicture);
    Button2 = button("Button2", 91);
}

}  // namespace kalvo::ui
