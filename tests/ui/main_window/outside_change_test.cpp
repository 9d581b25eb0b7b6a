// Another process (kalvo-cli, a second user's copy) saving the user's files while the windows are up.

#include <QTest>

#include "storage/reminder_store.h"
#include "ui/main_window/kalvounit.h"
#include "ui/widgets/reminder_list.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {

class OutsideChangeTest : public QObject {
    Q_OBJECT

private slots:
    void rowsFollowAnotherProcessSaveAndTheNextSaveKeepsIt() {
        UiFixture f;
        f.WriteReminders({Ordinary(Day(2026, 12, 9), At(9, 0), "vlastná")});
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;
        QCOMPARE(main->MesgList->Count(), 1);

        FakeDialogs otherDialogs;
        storage::ReminderStore other(f.ctx->files, otherDialogs, f.clock, storage::Durability::NoFlush);
        other.OpenUserFile();
        other.OpenArchive();
        other.Reminders().push_back(Ordinary(Day(2026, 12, 8), At(8, 0), "z príkazového riadka"));
        QVERIFY(other.Commit());
        QTRY_COMPARE(main->MesgList->Count(), 2);
        QCOMPARE(main->Store().Reminders(), f.ReadReminders());

        // One more from outside that the watch has not reported yet: the window's own save adds to it.
        other.Reminders().push_back(Ordinary(Day(2026, 12, 10), At(8, 0), "ešte jedna"));
        QVERIFY(other.Commit());
        main->AddReminder(Ordinary(Day(2026, 12, 11), At(8, 0), "z okna"));
        QCOMPARE(f.ReadReminders().size(), 4u);
        QCOMPARE(main->Store().Reminders(), f.ReadReminders());
        QTRY_COMPARE(main->MesgList->Count(), 4);
        QVERIFY(f.dialogs.shown.empty());

        other.Archive().push_back(Ordinary(Day(2026, 12, 1), At(8, 0), "stará"));
        QVERIFY(other.CommitArchive());
        QTRY_COMPARE(main->Store().Archive().size(), 1u);
    }
};

KALVO_UI_TEST(OutsideChangeTest)

}  // namespace kalvo::test

#include "outside_change_test.moc"
