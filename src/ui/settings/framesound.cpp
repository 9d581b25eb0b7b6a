#include "ui/settings/framesound.h"
#include "ui/settings/setup_page.h"

#include <QLabel>

#include "ui/common/window_builders.h"

namespace kalvo::ui {

TFrSound::TFrSound(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FrSound1"));
    setFixedSize(510, kSetupPageHeight);

    auto* caption = new QLabel(QStringLiteral("Štandardná melódia pripomienky"), this);
    caption->setGeometry(10, 14, 300, 16);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);

    EPath = new QLineEdit(this);
    EPath->setObjectName(QStringLiteral("EPath"));
    EPath->setGeometry(10, 38, 490, 24);
    EPath->setFrame(false);
    // What is shown is what is played and stored: the melody changes only through "Hľadať ...".
    EPath->setReadOnly(true);
    EPath->setStyleSheet(QStringLiteral("QLineEdit { background: white; padding-left: 4px; }"));
    NameByCaption(caption, EPath);

    DtFind = new QPushButton(QStringLiteral("Hľadať ..."), this);
    DtFind->setObjectName(QStringLiteral("DtFind"));
    DtFind->setGeometry(300, 72, 96, 26);
    BtPlay = new QPushButton(QStringLiteral("Vypočuť"), this);
    BtPlay->setObjectName(QStringLiteral("BtPlay"));
    BtPlay->setGeometry(404, 72, 96, 26);
}

}  // namespace kalvo::ui
