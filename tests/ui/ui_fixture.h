#pragma once
// The windows of the program over fakes: a clock the test sets, a platform that only records, dialogs
// the test answers, and a folder of its own for the files.

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QString>
#include <functional>
#include <memory>

#include "app/program_windows.h"
#include "core/reminder.h"
#include "support/builders.h"
#include "support/fake_dialogs.h"
#include "support/fake_platform.h"
#include "support/temp_folder.h"
#include "ui/common/app_context.h"

namespace kalvo::test {

class UiFixture {
public:
    // 7 December 2026, a Monday, 09:00:00.
    UiFixture();
    ~UiFixture();

    // Writes the user's file before the windows are created.
    void WriteReminders(const ReminderList& list) const;
    void WriteSettings(const TSettings& settings) const;
    // Creates every window in the program's order.
    void CreateWindows();

    void SetNow(DayNumber day, int hour, int minute, int second = 0);
    ReminderList ReadReminders() const;
    ReminderList ReadArchive() const;

    // Saves a picture of the widget where CI keeps the test artefacts.
    static void Screenshot(QWidget* widget, const QString& name);

    TempFolder folder;
    FakeClock clock;
    FakePlatform platform;
    FakeDialogs dialogs;
    std::unique_ptr<ui::AppContext> ctx;
    std::unique_ptr<app::ProgramWindows> windows;
};

// Runs `action` as soon as a modal window is up (from inside its own event loop).
void WhenModal(std::function<void()> action);
// The same for one dialog in particular, when modal windows open over one another. The dialog is closed
// after the action if it is still open, so a failed check inside never leaves the test waiting.
void WhenModalIs(QDialog* window, std::function<void()> action);

// Clicks a check box on its box, where a person clicks it.
void ClickBox(QCheckBox* box);

}  // namespace kalvo::test
