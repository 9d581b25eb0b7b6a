#pragma once
// "Odložiť": how long the alarm strip puts an alarm off, from five minutes to a moment the user picks.

#include <QDateTimeEdit>
#include <QDialog>
#include <QMenu>
#include <QPushButton>

#include "core/clock.h"
#include "scheduler/scheduler.h"

namespace kalvo::ui {

// "Iný čas…": the day and time the alarm comes back; never earlier than the next minute.
class SnoozeTimeDialog : public QDialog {
    Q_OBJECT
public:
    SnoozeTimeDialog(const LocalMoment& now, QWidget* parent = nullptr);

    QDateTimeEdit* When;
    QPushButton* OkButton;
    QPushButton* CancelButton;

    scheduler::SecondKey Chosen() const;
};

class SnoozeMenu : public QMenu {
    Q_OBJECT
public:
    SnoozeMenu(const Clock& clock, QWidget* parent = nullptr);

    // The moment of "Iný čas…" asked in the dialog; tests answer it through the dialog itself.
    void ChooseOtherTime();

signals:
    void Chosen(const kalvo::scheduler::SnoozeRequest& request);

private:
    const Clock& clock_;
};

}  // namespace kalvo::ui
