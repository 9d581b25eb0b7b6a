// A change the file would not take: saved again by itself, never lost at the end without a question,
// and a bus caller answered before anyone reads the message.

#include <QTest>
#include <filesystem>

#include "storage/reminder_file.h"
#include "ui/main_window/kalvounit.h"
#include "ui/shutdown/offwin.h"
#include "ui/widgets/reminder_list.h"
#include "ui_fixture.h"
#include "ui_test_main.h"
#ifdef KALVO_HAVE_QTDBUS
#include "app/bus_service.h"
#endif

namespace fs = std::filesystem;

namespace kalvo::test {
namespace {

const std::vector<std::string> kQuitChoices{"Skúsiť znova", "Uložiť do iného súboru...", "Ukončiť bez uloženia",
                                            "Zrušiť"};

// The program up with an empty list, then a folder where its file was: every save of it fails.
struct FailingSave {
    FailingSave() {
        f.WriteReminders({});
        f.CreateWindows();
        main = f.windows->main;
        fs::remove(f.folder / "eva.dat");
        fs::create_directory(f.folder / "eva.dat");
        QObject::connect(main, &ui::TMainForm::EndRequested, [this] { ended = true; });
    }
    void Heal() const { fs::remove(f.folder / "eva.dat"); }

    UiFixture f;
    ui::TMainForm* main = nullptr;
    bool ended = false;
};

}  // namespace

class UnsavedTest : public QObject {
    Q_OBJECT

private slots:
    void aFailedSaveIsTriedAgainEachMinuteWithoutAWord() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        QCOMPARE(s.f.dialogs.Count("error"), 1);
        QVERIFY(s.main->Store().HasUnsavedChanges());
        QVERIFY(s.main->SaveRetry->isActive());
        QCOMPARE(s.main->SaveRetry->interval(), 60 * 1000);
        s.main->SaveRetryTimer();  // still failing: told once is enough
        QCOMPARE(s.f.dialogs.Count("error"), 1);
        s.Heal();
        s.main->SaveRetryTimer();
        QVERIFY(!s.main->Store().HasUnsavedChanges());
        QCOMPARE(s.f.ReadReminders().size(), 1u);
        QCOMPARE(s.f.ReadReminders().front().Text, std::string("v pamäti"));
        QCOMPARE(s.main->MesgList->Count(), 1);
        QCOMPARE(s.f.dialogs.Count("error"), 1);
    }

    void theEndAsksFirstAndStayingKeepsEverything() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        s.f.dialogs.choices = {0, 3};  // try again (fails again, told), then stay
        s.main->Label8->clicked();
        QVERIFY(!s.ended);
        QVERIFY(!s.main->Ending());
        QCOMPARE(s.f.dialogs.Count("choice"), 2);
        QCOMPARE(s.f.dialogs.Count("question"), 0);  // the usual question is not put as well
        QVERIFY(s.f.dialogs.buttons.front() == kQuitChoices);
        const std::string& text = s.f.dialogs.shown[1].text;
        QVERIFY(text.starts_with("Zmeny pripomienok sa nepodarilo uložiť do súboru\n" +
                                 storage::Utf8FromPath(s.f.folder / "eva.dat") +
                                 "\nSú len v pamäti programu a jeho ukončením by sa stratili."));
        QCOMPARE(s.f.dialogs.Count("error"), 2);
        QVERIFY(s.main->Store().HasUnsavedChanges());
        // Closed with Escape or the window's button: the same as staying.
        s.main->pmCloseClick();
        QVERIFY(!s.ended);
    }

    void tryingAgainThatSucceedsEndsWithTheChangeSaved() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        s.Heal();
        // The quiet try before the question succeeds: only the usual question remains.
        s.f.dialogs.answers = {true};
        s.main->pmCloseClick();
        QVERIFY(s.ended);
        QCOMPARE(s.f.dialogs.Count("choice"), 0);
        QCOMPARE(s.f.ReadReminders().size(), 1u);
    }

    void theRemindersCanGoToAnExportSetBeforeTheEnd() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        const fs::path set = s.f.folder / "zachrana.kvl";
        s.f.dialogs.choices = {1};
        s.f.dialogs.files = {storage::Utf8FromPath(set)};
        s.main->pmCloseClick();
        QVERIFY(s.ended);
        QCOMPARE(s.f.dialogs.fileDialogs.back().title, std::string("Exportovať pripomienky do ..."));
        const ReminderList kept = storage::DecodeReminderFile(s.f.folder.Read("zachrana.kvl")).records;
        QCOMPARE(kept.size(), 1u);
        QCOMPARE(kept.front().Text, std::string("v pamäti"));
    }

    void quittingAnywayEndsAfterTheQuestion() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        s.f.dialogs.choices = {1, 2};  // the export dialog cancelled, then quit anyway
        s.main->pmCloseClick();
        QVERIFY(s.ended);
        QCOMPARE(s.f.dialogs.Count("choice"), 2);
    }

    void theInstallersRequestEndsWithoutTheQuestionButNeverLosesAChange() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        s.f.dialogs.choices = {3};  // stay
        s.main->EndOnRequest();
        QVERIFY(!s.ended);
        QVERIFY(!s.main->Ending());
        QCOMPARE(s.f.dialogs.Count("choice"), 1);
        s.Heal();
        s.main->EndOnRequest();
        QVERIFY(s.ended);
        QVERIFY(s.main->Ending());
        QVERIFY(!s.main->SchedulerRunning());
        QCOMPARE(s.f.dialogs.Count("question"), 0);  // never "Naozaj si želáte ukončiť program?"
        QCOMPARE(s.f.ReadReminders().size(), 1u);
    }

    void theTimedShutDownSavesFirst() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        s.Heal();  // the next retry would save it, but the computer goes off first
        ui::TOffWinForm* countdown = s.f.windows->offWin;
        while (countdown->ShutdownSeconds > 0) countdown->TimerOffWinTimer();
        QCOMPARE(s.f.platform.calls.back(), std::string("ShutDown"));
        QCOMPARE(s.f.ReadReminders().size(), 1u);
        QVERIFY(!s.main->Store().HasUnsavedChanges());
    }

    void anEndNoOneCanStopSetsTheChangesAsideForTheNextStart() {
        FailingSave s;
        s.main->AddReminder(Ordinary(Day(2026, 12, 9), At(9, 0), "v pamäti"));
        const int told = static_cast<int>(s.f.dialogs.shown.size());
        s.main->EndSession();  // SIGTERM, or the computer switched off with the save still failing
        QVERIFY(s.main->Ending());
        QVERIFY(!s.main->SchedulerRunning());
        QCOMPARE(static_cast<int>(s.f.dialogs.shown.size()), told);  // no one is there to answer
        const std::string rescue = "eva.dat.zachranene-20261207-090000";
        QCOMPARE(storage::DecodeReminderFile(s.f.folder.Read(rescue)).records.size(), 1u);
        s.f.windows.reset();

        // The next start, where the file can be written again: the user is asked and takes them back.
        s.Heal();
        UiFixture again;
        again.platform.programFolder = s.f.folder.Path();
        again.ctx->files.folder = s.f.folder.Path();
        again.dialogs.answers = {true};
        again.CreateWindows();
        QCOMPARE(again.dialogs.Count("question"), 1);
        QVERIFY(again.dialogs.shown[0].text.starts_with(
            "Zmeny pripomienok sa pri poslednom ukončení programu nepodarilo uložiť, preto boli uschované v súbore\n" +
            storage::Utf8FromPath(s.f.folder / rescue)));
        const ReminderList back = storage::DecodeReminderFile(s.f.folder.Read("eva.dat")).records;
        QCOMPARE(back.size(), 1u);
        QCOMPARE(back.front().Text, std::string("v pamäti"));
        QCOMPARE(again.windows->main->MesgList->Count(), 1);
        QVERIFY(!s.f.folder.Exists(rescue));
    }

#ifdef KALVO_HAVE_QTDBUS
    void aBusCallerIsAnsweredBeforeTheMessageIsShown() {
        FailingSave s;
        app::BusService bus(*s.f.ctx, *s.f.windows);
        bus.AddReminder(QStringLiteral("9.12.2026"), QStringLiteral("10:00"), QStringLiteral("z autobusu"));
        QCOMPARE(bus.LastRefusal(), QStringLiteral("sk.kalvo.Kalvo1.Error.SaveFailed"));
        // Nothing modal ran during the call; the message comes right after it.
        QCOMPARE(s.f.dialogs.Count("error"), 0);
        QTRY_COMPARE(s.f.dialogs.Count("error"), 1);
        QVERIFY(s.f.dialogs.shown.back().text.starts_with("Súbor pripomienok sa nepodarilo uložiť:\n"));
        QVERIFY(s.main->Store().HasUnsavedChanges());
    }
#endif
};

KALVO_UI_TEST(UnsavedTest)

}  // namespace kalvo::test

#include "unsaved_test.moc"
