#pragma once
// "Pridať pripomienku do zoznamu?": the question put for each reminder of an imported set. The answer
// is left in ImportAccepted for the import; "Pridať všetky" takes the rest without asking.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "core/reminder.h"
#include "ui/common/app_context.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TFAddNew : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TFAddNew(AppContext& ctx, QWidget* parent = nullptr);

    // Fills the labels from the reminder about to be asked for.
    void Fill(const TReminder& r);
    // Shows the question and returns once it is answered or closed.
    void ShowModal();

    void SpeedButton1Click();
    void SpeedButton3Click();
    void Label9Click();
    void Dismiss() override { Label9Click(); }

    QLabel* LKrok;
    QLabel* LDateTime;
    QLabel* LText;
    QLabel* LPicture;
    QLabel* LMelodia;
    QLabel* LDateOdPerioda;
    QLabel* LLastShow;
    QLabel* LabelNoticeFrom;  // "Pripomínať od"
    QLabel* LabelAlsoAt;      // "Pripomenúť aj"
    QCheckBox* AllAdd;
    // The last answer: 1 "Pridať", 0 otherwise.
    int ImportAccepted = 0;
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton3;
    ShapeButton* Label9;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The constructor's steps, in the order the widgets are made (and Tab walks them).
    void BuildHeader();  // "Zatvoriť" and the kind of reminder on the grey band
    void BuildDetails();
    void BuildFoot();  // the fading strip, "Pridať všetky" and the two answers

    AppContext& ctx_;
    QWidget* bottom_;
    QColor stripEnd_;  // the colour the strip ends in, shared by the bottom strip
};

}  // namespace kalvo::ui
