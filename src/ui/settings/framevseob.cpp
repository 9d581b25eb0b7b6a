#include "ui/settings/framevseob.h"
#include "ui/settings/setup_page.h"

#include "core/settings.h"
#include "ui/common/colors.h"
#include "ui/common/window_builders.h"

namespace kalvo::ui {

TFrVseob::TFrVseob(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FrVseob1"));
    setFixedSize(510, kSetupPageHeight);
    BuildChime();
    BuildOptions();
}

void TFrVseob::BuildChime() {
    CheckBox1 = new QCheckBox(QStringLiteral("Časové znamenie"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(10, 8, 146, 20);
    const QFont bold = Bold(CheckBox1->font());
    CheckBox1->setFont(bold);

    Label3 = new QLabel(QStringLiteral("Interval časového znamenia"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(158, 10, 170, 16);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    LInterval = new QLabel(this);
    LInterval->setObjectName(QStringLiteral("LInterval"));
    LInterval->setGeometry(338, 10, 78, 16);
    LInterval->setFont(bold);
    LInterval->setStyleSheet(TextColour(kValueBlue));

    CasZnamenie = new QTimeEdit(this);
    CasZnamenie->setObjectName(QStringLiteral("CasZnamenie"));
    CasZnamenie->setGeometry(334, 5, 80, 26);
    CasZnamenie->setDisplayFormat(QStringLiteral("HH:mm"));
    CasZnamenie->hide();

    BtSetupTime = new QPushButton(QStringLiteral("Nastaviť"), this);
    BtSetupTime->setObjectName(QStringLiteral("BtSetupTime"));
    BtSetupTime->setGeometry(420, 5, 80, 26);
    BtSetupTime->setEnabled(false);
}

void TFrVseob::BuildOptions() {
    auto* line = new QFrame(this);
    line->setGeometry(10, 35, 490, 1);
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(TextColour(kRuleGrey));

    auto box = [this](const char* name, const QString& text, int x, int y, int w) {
        auto* b = new QCheckBox(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, 20);
        return b;
    };
    CBOslava =
        box("CBOslava", QStringLiteral("Presúvať pripomienku menín a narodenín do nasledujúceho roku"), 10, 42, 490);
    CBOldMemo = box("CBOldMemo", QStringLiteral("Vymazávať staré pripomienky"), 10, 63, 210);
    CBNarForm = box("CBNarForm", QStringLiteral("Vysúvať okno s menami"), 10, 84, 240);
    CBAnim = box("CBAnim", QStringLiteral("Animácia okien"), 10, 105, 240);
    AutoStart = box("AutoStart", kAutoStartText, 10, 126, 300);

    auto* caption = new QLabel(QStringLiteral("Čas zobrazenia úvodného okna [s]"), this);
    caption->setGeometry(226, 65, 224, 16);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LTimeClose = new QLineEdit(this);
    LTimeClose->setObjectName(QStringLiteral("LTimeClose"));
    LTimeClose->setGeometry(456, 61, 44, 24);
    LTimeClose->setAlignment(Qt::AlignRight);
    // As long as the overview's close button can count: three digits.
    LTimeClose->setMaxLength(4);
    LTimeClose->setToolTip(QStringLiteral("0 až %1 sekúnd").arg(kMaxOverviewSeconds));

    // One sentence with the number in its middle, like the other settings of the page.
    CBLateness = box("CBLateness", QStringLiteral("Zmeškané pripomienky staršie ako"), 10, 147, 238);
    CBLateness->setToolTip(
        QStringLiteral("Pripomienky, ktoré uplynuli, keď bol počítač vypnutý alebo v režime spánku, "
                       "sa nezobrazia jednotlivo: uložia sa do archívu a vypíšu sa raz ako zmeškané."));
    LatenessHours = new QSpinBox(this);
    LatenessHours->setObjectName(QStringLiteral("LatenessHours"));
    LatenessHours->setGeometry(250, 145, 60, 24);
    LatenessHours->setRange(kMinLatenessHours, kMaxLatenessHours);
    LatenessHours->setAlignment(Qt::AlignRight);
    LLatenessRest = new QLabel(QStringLiteral("hodín len zapísať do archívu"), this);
    LLatenessRest->setObjectName(QStringLiteral("LLatenessRest"));
    LLatenessRest->setGeometry(316, 149, 190, 16);
    connect(CBLateness, &QCheckBox::toggled, LatenessHours, &QWidget::setEnabled);
    LatenessHours->setEnabled(false);

    NameByCaption(caption, LTimeClose);
    LatenessHours->setAccessibleName(QStringLiteral("Počet hodín"));  // in the middle of the sentence
}

}  // namespace kalvo::ui
