#include "ui_fixture.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "storage/reminder_file.h"
#include "storage/settings_file.h"

namespace kalvo::test {

UiFixture::UiFixture() {
    clock.now = LocalMoment{Day(2026, 12, 7), 9, 0, 0};
    platform.programFolder = folder.Path();
    ctx = std::make_unique<ui::AppContext>(clock, platform, dialogs);
    ctx->files = storage::DataFiles{folder.Path(), "eva"};
    ctx->trayAvailable = [] { return true; };  // the offscreen desktop has none; most tests want one
}

UiFixture::~UiFixture() { windows.reset(); }

void UiFixture::WriteReminders(const ReminderList& list) const {
    folder.Write("eva.dat", *storage::EncodeReminderFile(list));
}

void UiFixture::WriteSettings(const TSettings& settings) const {
    folder.Write("setup.dat", *storage::EncodeSettings(settings));
}

void UiFixture::CreateWindows() { windows = std::make_unique<app::ProgramWindows>(*ctx); }

void UiFixture::SetNow(DayNumber day, int hour, int minute, int second) {
    clock.now = LocalMoment{day, hour, minute, second};
}

ReminderList UiFixture::ReadReminders() const { return storage::DecodeReminderFile(folder.Read("eva.dat")).records; }

ReminderList UiFixture::ReadArchive() const { return storage::DecodeReminderFile(folder.Read("eva_old.dat")).records; }

void UiFixture::Screenshot(QWidget* widget, const QString& name) {
    const QString dir = QStringLiteral(KALVO_ARTIFACTS_DIR) + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    QApplication::processEvents();  // list views lay out their rows lazily
    // A run at another scale names its pictures apart (KALVO_SHOT_SUFFIX, e.g. "-150").
    const QString suffix = qEnvironmentVariable("KALVO_SHOT_SUFFIX");
    widget->grab().save(dir + QLatin1Char('/') + name + suffix + QStringLiteral(".png"));
}

void WhenModal(std::function<void()> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        if (QApplication::activeModalWidget()) action();
        else WhenModal(action);
    });
}

void WhenModalIs(QDialog* window, std::function<void()> action) {
    QTimer::singleShot(0, [window, action = std::move(action)] {
        if (QApplication::activeModalWidget() != window) {
            WhenModalIs(window, action);
            return;
        }
        QApplication::processEvents();  // the window becomes the active one, as it does for a person
        action();
        if (window->isVisible()) window->done(QDialog::Rejected);
    });
}

void ClickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(7, box->height() / 2)); }

}  // namespace kalvo::test
