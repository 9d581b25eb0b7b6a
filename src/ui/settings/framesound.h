#pragma once
// The settings dialog's "Zvuky" page: the standard melody.

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

namespace kalvo::ui {

class TFrSound : public QFrame {
    Q_OBJECT
public:
    explicit TFrSound(QWidget* parent = nullptr);

    QLineEdit* EPath;  // shows the melody; only "Hľadať ..." changes it
    QPushButton* DtFind;
    QPushButton* BtPlay;
};

}  // namespace kalvo::ui
