#pragma once
// "Notifikácia menín a narodenín": the name days and birthdays of the reminder list with a month
// calendar to browse the name days of any day; entries are added, changed and deleted here, or taken
// back from the archive.

#include <QAction>
#include <QCalendarWidget>
#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <memory>

#include "ui/common/app_context.h"
#include "ui/common/owndraw.h"
#include "ui/common/window_links.h"
#include "ui/widgets/borderless.h"
#include "ui/widgets/reminder_list.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::ui {

class TFormKalendar;

class TKalendForm : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TKalendForm(AppContext& ctx, QWidget* parent = nullptr);
    ~TKalendForm() override;
    // The entries are kept by the main window and written in the name calendar.
    void Link(ReminderKeeper* keeper, TFormKalendar* kalendar) {
        keeper_ = keeper;
        kalendar_ = kalendar;
    }

    int ShowModal();

    // Rows for the name days and birthdays of the reminder list as it now is, made as they are shown.
    void ReloadRows(std::vector<std::size_t> records);
    // Index in the reminder list of the selected row's record, -1 for none.
    int SelectedRecord() const;

    QCalendarWidget* Date;
    QLabel* LMonth;
    QLabel* LMeniny;
    ReminderListBox* MesgList;
    QToolButton* SpeedButton4;  // "Pridať"
    QToolButton* BtDel;
    QToolButton* BtEdit;
    QLabel* LDateTime;
    QLabel* LLastShow;
    QLabel* LText;
    ShapeButton* Label9;  // "Zatvoriť"
    QWidget* PaintBox1;
    Shape* Shape2;  // bottom strip, in the gradient's last colour
    QMenu* PopupDelete;
    QAction* Vymazavber1;
    QAction* Aktualizuj1;
    QAction* Vloizostarch1;

    void FormShow();
    void DateClick();
    void MesgListClick();
    void MesgListDblClick();
    void BtEditClick() { MesgListDblClick(); }
    void SpeedButton4Click();
    void BtDelClick();
    void Vloizostarch1Click();
    void Label9Click();
    void Dismiss() override { Label9Click(); }

protected:
    void showEvent(QShowEvent* event) override;

signals:
    // "Vložiť zo starých": the archive in its put-back mode.
    void PutBackRequested();

private:
    // The constructor's steps, in the order the widgets are made (and Tab walks them).
    void BuildTitleStrip();
    void BuildMonth();
    void BuildList();  // the list and its command bar
    void BuildDetails();
    void BuildFoot();  // the decorative strips and "Zatvoriť"
    void BuildMenu();

    void FitCalendar();
    void SetCalendarDate(DayNumber day);

    AppContext& ctx_;
    ReminderKeeper* keeper_ = nullptr;
    TFormKalendar* kalendar_ = nullptr;
    std::unique_ptr<OwnDrawMenuStyle> menuStyle_;
};

}  // namespace kalvo::ui
