#pragma once
// "Menný kalendár": the names and holiday of a day, the day of a searched name, and the name-day or
// birthday reminder written from them. Shown modally for a new entry, for a change of an entry of the
// day list, and for an archived entry put back a year later.

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <optional>

#include "core/reminder.h"
#include "ui/common/app_context.h"
#include "ui/common/cp1250_input.h"
#include "ui/common/window_links.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TFormKalendar : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TFormKalendar(AppContext& ctx, QWidget* parent = nullptr);
    // The name-day calendar and the list the entries are written to.
    void Link(ReminderKeeper* keeper) { keeper_ = keeper; }
    // The window closed after a change or a put-back: the next showing starts empty again.
    void EndPrefill() { prefilled_ = false; }
    // Filled for a change or a put-back: showing the window keeps the fields.
    bool Prefilled() const { return prefilled_; }
    ~TFormKalendar() override;

    // A new entry: the write button, the fields reset on showing.
    void PrepareNew();
    // A change of `r`, the record at `index` of the reminder list: the replace button, the fields filled
    // from it, Prefilled() until the window closes.
    void FillForChange(const TReminder& r, int index);
    // An archived name day or birthday written again a year later; shown modally with "ZMENIL SA ROK".
    void PutBack(const TReminder& r);
    int ShowModal();

    // The reminder the fields describe, its days moved on to the next celebration when already past.
    TReminder BuildReminder() const;

    QLineEdit* FindName;
    QToolButton* BtFind;
    QLabel* Meniny;
    QLabel* Sviatok;
    QDateEdit* Date;
    QDateEdit* DatePrip;
    QTimeEdit* TimePrip;
    QLabel* LDate;
    QTimeEdit* Time;
    Cp1250TextEdit* Memo1;
    QLabel* LMeninyCaption;      // "Meniny", greyed while CB1 is unchecked
    QLabel* LNarodeninyCaption;  // "Narodeniny", greyed while CB2 is unchecked
    QCheckBox* CB1;
    QCheckBox* CB2;
    QToolButton* SpeedButton1;  // write a new reminder
    QToolButton* SpeedButton2;  // replace the entry being changed
    QToolButton* SpeedButton3;  // close
    QLabel* Label8;             // "ZMENIL SA ROK"
    QLabel* LRefused;           // which typed characters could not be taken

    void FormShow();
    void DateClick();
    void FindNameClick();
    void FindNameExit();
    void BtFindClick();
    void CB1Click();
    void CB2Click();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void Dismiss() override { SpeedButton3Click(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's steps, in the order the widgets are made (and Tab walks them).
    void BuildSearch();
    void BuildDays();
    void BuildText();
    void BuildCommands();
    void WatchInputs();  // the inputs' resting and focused colours, and what they refuse
    void ConnectHandlers();
    void Fill(const TReminder& r, DayNumber date, DayNumber noticeDay, double noticeTime);
    void SetDate(DayNumber day);
    void ShowRefused(const QString& characters);

    AppContext& ctx_;
    ReminderKeeper* keeper_ = nullptr;
    bool prefilled_ = false;
    std::optional<TReminder> changing_;
    int changingIndex_ = -1;
    std::vector<QWidget*> inputs_;
    QTimer* refusedTimer_;
    QString refusedSoFar_;  // the characters the note on screen names
    QMetaObject::Connection focusWatch_;
};

}  // namespace kalvo::ui
