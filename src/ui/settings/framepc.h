#pragma once
// The settings dialog's "Vypnutie PC" page: the one-off order to switch the computer off.

#include <QCheckBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QTimeEdit>

namespace kalvo::ui {

class TFrPC : public QFrame {
    Q_OBJECT
public:
    explicit TFrPC(QWidget* parent = nullptr);

    QCheckBox* CBDownPC;
    QLabel* LabelDay;  // "Deň:"
    QDateEdit* DateDownPC;
    QLabel* LabelTime;  // "Čas:"
    QTimeEdit* TimeDownPC;
};

}  // namespace kalvo::ui
