#pragma once
// The settings dialog's "Všeobecné" page: the time signal and the general switches.

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

namespace kalvo::ui {

// The start at log-on, named after the system it starts with.
#ifdef _WIN32
inline const QString kAutoStartText = QStringLiteral("Vždy spustiť Kalvo po štarte Windows");
#else
inline const QString kAutoStartText = QStringLiteral("Vždy spustiť Kalvo po prihlásení");
#endif

class TFrVseob : public QFrame {
    Q_OBJECT
public:
    explicit TFrVseob(QWidget* parent = nullptr);

    QCheckBox* CheckBox1;  // "Časové znamenie"
    QLabel* Label3;
    QLabel* LInterval;
    QTimeEdit* CasZnamenie;  // in place of LInterval for "Iný čas"
    QPushButton* BtSetupTime;
    QCheckBox* CBOslava;
    QCheckBox* CBOldMemo;
    QCheckBox* CBNarForm;
    QCheckBox* CBAnim;
    QCheckBox* AutoStart;
    QLineEdit* LTimeClose;
    // "Zmeškané pripomienky staršie ako N hodín len zapísať do archívu"
    QCheckBox* CBLateness;
    QSpinBox* LatenessHours;
    QLabel* LLatenessRest;

private:
    void BuildChime();    // the time signal and its interval
    void BuildOptions();  // the check boxes under the line
};

}  // namespace kalvo::ui
