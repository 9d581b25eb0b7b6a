#include "ui/settings/framepc.h"
#include "ui/settings/setup_page.h"

#include "ui/common/artwork.h"
#include "ui/common/window_builders.h"

namespace kalvo::ui {

TFrPC::TFrPC(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FrPC1"));
    setFixedSize(510, kSetupPageHeight);

    auto* text = new QLabel(QStringLiteral("Nastavte čas a dátum kedy potrebujete automaticky vypnúť počítač"), this);
    text->setGeometry(10, 12, 490, 16);
    QFont bold = text->font();
    bold.setBold(true);
    text->setFont(bold);

    CBDownPC = new QCheckBox(QStringLiteral("Nastaviť automatické vypnutie PC"), this);
    CBDownPC->setObjectName(QStringLiteral("CBDownPC"));
    CBDownPC->setGeometry(10, 44, 300, 20);

    LabelDay = new QLabel(QStringLiteral("Deň:"), this);
    LabelDay->setGeometry(30, 84, 34, 16);
    DateDownPC = new QDateEdit(this);
    DateDownPC->setObjectName(QStringLiteral("DateDownPC"));
    DateDownPC->setGeometry(66, 79, 120, 26);
    DateDownPC->setDisplayFormat(QStringLiteral("d.M.yyyy"));
    DateDownPC->setCalendarPopup(true);
    NameByCaption(LabelDay, DateDownPC);

    LabelTime = new QLabel(QStringLiteral("Čas:"), this);
    LabelTime->setGeometry(210, 84, 34, 16);
    TimeDownPC = new QTimeEdit(this);
    TimeDownPC->setObjectName(QStringLiteral("TimeDownPC"));
    TimeDownPC->setGeometry(246, 79, 90, 26);
    TimeDownPC->setDisplayFormat(QStringLiteral("HH:mm"));
    NameByCaption(LabelTime, TimeDownPC);

    auto* warning = new QLabel(this);
    warning->setGeometry(434, 44, 61, 66);
    warning->setPixmap(Art(QStringLiteral("warning"), QSize(61, 66)));
}

}  // namespace kalvo::ui
