#pragma once
// The reminder editor: the user writes a new reminder or changes one (date, time, text, the advance
// notice with its period, weekday and time, the alarm's picture and melody).
// It never changes a reminder in place: it builds a new record from its controls and hands it to the
// main window's save-and-reload cycle.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <optional>
#include <vector>

#include "core/reminder.h"
#include "ui/common/app_context.h"
#include "ui/common/cp1250_input.h"
#include "ui/common/window_links.h"
#include "ui/widgets/borderless.h"

namespace kalvo::ui {

class TEditMessage : public BorderlessWindow {
    Q_OBJECT
public:
    explicit TEditMessage(AppContext& ctx, QWidget* parent = nullptr);
    ~TEditMessage() override;

    // Where new and changed reminders go, and the window the editor centres on.
    void Link(ReminderKeeper* keeper) { keeper_ = keeper; }
    // Set while an existing reminder (or one put back) is in the controls: they are not reset on show.
    bool EditMode = false;
    // A new reminder takes its date from the main window's calendar.
    bool NewDateFromMain = true;

    // A new reminder: dated by the main window's calendar while NewDateFromMain is set, otherwise by
    // what SetDate put into Date. Returns when the editor closes.
    void OpenForNew();
    void SetDate(DayNumber day);
    // Fills the editor from the reminder at `index` of the list and sets EditMode; the caller shows it
    // and clears EditMode afterwards.
    void FillForEdit(const TReminder& r, int index);
    // Fills the editor from an archived reminder that is to be written again as a new one: its text,
    // notice flag, period, picture and melody, on the main calendar's date at the current time.
    void FillForPutBack(const TReminder& r);
    // FillForPutBack, then shown modally with EditMode set while it is open.
    void PutBack(const TReminder& r);
    int ShowModal();

    // The reminder the controls describe.
    TReminder BuildReminder() const;

    QDateEdit* Date;
    QTimeEdit* Time;
    Cp1250TextEdit* EText;
    QCheckBox* CB;
    QLabel* LStart;
    QDateEdit* DateOpak;
    QLabel* LPeriod;
    QComboBox* CBPeriod;
    QLabel* LLast;
    QTimeEdit* CBLast;
    QLabel* Label6;
    QLabel* Label7;
    QComboBox* CBDen;
    QComboBox* CBPicture;
    QLabel* ImageMsg;
    QToolButton* SpeedButton4;  // "Hľadať ..." a picture
    QComboBox* CBMelody;
    QToolButton* SpeedButton5;  // "Hľadať ..." a melody
    QToolButton* SpeedButton1;  // add
    QToolButton* SpeedButton2;  // update
    QToolButton* SpeedButton3;  // cancel
    QLabel* LRefused;           // says which typed characters could not be taken

    void FormShow();
    void CBClick();
    void CBPeriodChange();
    void TimeChange();
    void TimeExit();
    void CBLastExit();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void CBPictureChange();
    void Dismiss() override { SpeedButton3Click(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The constructor's steps, in the order the widgets are made (and Tab walks them).
    void BuildWhenAndText();
    void BuildNotice();
    void BuildFilesAndCommands();
    void WatchInputs();  // the inputs' resting and focused colours, and what they refuse
    void ConnectHandlers();

    void AddReminder();
    void SetItem1(QComboBox* box, const QString& path);
    // A chosen file whose path the reminder file could not hold is refused with a message.
    std::optional<QString> ChooseFile(const char* title, const char* filter, const char* extension);
    void ShowRefused(const QString& characters);

    AppContext& ctx_;
    ReminderKeeper* keeper_ = nullptr;
    std::optional<TReminder> editing_;
    int editingIndex_ = -1;
    std::vector<QWidget*> inputs_;
    QTimer* refusedTimer_;
    QString refusedSoFar_;  // the characters the note on screen names
    QMetaObject::Connection focusWatch_;
};

}  // namespace kalvo::ui
