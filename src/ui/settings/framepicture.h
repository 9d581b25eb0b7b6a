#pragma once
// The settings dialog's "Obrázky" page: the main window's picture and the standard reminder picture.

#include <QFrame>
#include <QLineEdit>
#include <QPushButton>

namespace kalvo::ui {

class TFrPicture : public QFrame {
    Q_OBJECT
public:
    explicit TFrPicture(QWidget* parent = nullptr);

    QLineEdit* KalvoPicture;  // takes only chosen files
    QPushButton* Button1;
    QLineEdit* PripPicture;  // a path may also be typed here
    QPushButton* Button2;
};

}  // namespace kalvo::ui
