// "Pripomienky" > "Exportovať" and "Importovať", answered through the question for each reminder.

#include <QTest>
#include <algorithm>
#include <deque>

#include "storage/reminder_file.h"
#include "ui/import/addnew.h"
#include "ui/main_window/kalvounit.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

using Answer = std::function<void(ui::TFAddNew*)>;

void Add(ui::TFAddNew* q) { QTest::mouseClick(q->SpeedButton1, Qt::LeftButton); }
void Skip(ui::TFAddNew* q) { QTest::mouseClick(q->SpeedButton3, Qt::LeftButton); }
void Close(ui::TFAddNew* q) { QTest::mouseClick(q->Label9, Qt::LeftButton); }
void TickAllThenSkip(ui::TFAddNew* q) {
    ClickBox(q->AllAdd);
    Skip(q);
}

// Imports `file` from the tray menu, answering the questions in order; returns how many were asked.
int Import(UiFixture& f, const std::string& file, std::deque<Answer> answers) {
    auto left = std::make_shared<std::deque<Answer>>(std::move(answers));
    auto asked = std::make_shared<int>(0);
    std::function<void()> answer = [&f, left, asked, &answer] {
        ++*asked;
        ui::TFAddNew* q = f.windows->addNew;
        if (left->empty()) {
            Close(q);  // more questions than the test expected
            return;
        }
        Answer next = left->front();
        left->pop_front();
        next(q);
        if (!left->empty()) WhenModal(answer);
    };
    if (!left->empty()) WhenModal(answer);
    f.dialogs.files = {file};
    f.windows->main->Importova1->trigger();
    return *asked;
}

std::string PathOf(const UiFixture& f, const std::string& name) { return (f.folder / name).string(); }

std::size_t Occurrences(const ReminderList& list, const TReminder& r) {
    return static_cast<std::size_t>(std::count(list.begin(), list.end(), r));
}

}  // namespace

class TransferTest : public QObject {
    Q_OBJECT

private slots:
    void exportThenImportEverythingDoublesTheList() {
        UiFixture f;
        const DayNumber today = Day(2026, 12, 7);
        const ReminderList mine{
            Ordinary(today + 3, At(10, 0), "Zubár"),
            WithNotice(Ordinary(today + 20, At(18, 30), "Výročie"), today + 10, rpWeekly, At(8, 0), 2),
            NameDay(Day(2026, 12, 27), At(12, 0), Day(2026, 12, 26), At(8, 0))};
        f.WriteReminders(mine);
        f.CreateWindows();
        ui::TMainForm* main = f.windows->main;

        f.dialogs.files = {PathOf(f, "sada.kvl")};
        main->Exportova1->trigger();
        const FileDialogOptions& save = f.dialogs.fileDialogs.back();
        QCOMPARE(save.title, std::string("Exportovať pripomienky do ..."));
#ifdef KALVO_HAVE_ICAL
        QCOMPARE(save.filter, std::string("Všetky súbory|*.*|Súbory pripomienok (*.kvl)|*.kvl|iCalendar (.ics)|*.ics"));
#else
        QCOMPARE(save.filter, std::string("Všetky súbory|*.*|Súbory pripomienok (*.kvl)|*.kvl"));
#endif
        QCOMPARE(save.filterIndex, 2);
        QCOMPARE(save.defaultExtension, std::string("*.kvl"));
        QCOMPARE(save.initialFolder, f.folder.Path().string());
        QCOMPARE(storage::DecodeReminderFile(f.folder.Read("sada.kvl")).records, main->Store().Reminders());

        QCOMPARE(Import(f, PathOf(f, "sada.kvl"), {Add, Add, Add}), 3);
        QCOMPARE(f.dialogs.fileDialogs.back().title, std::string("Importovať pripomienky zo súboru ..."));
        QCOMPARE(f.dialogs.fileDialogs.back().filterIndex, 2);
        const ReminderList file = f.ReadReminders();
        QCOMPARE(file.size(), std::size_t{6});
        for (const TReminder& r : mine) QCOMPARE(Occurrences(file, r), std::size_t{2});
        // The list is what the file holds, rebuilt by the reload, not the file added to the old list.
        QCOMPARE(main->Store().Reminders(), file);
        QCOMPARE(f.dialogs.Count("error"), 0);
    }

    void importingTheUsersOwnFileLosesNothing() {
        UiFixture f;
        const ReminderList mine{Ordinary(Day(2026, 12, 9), At(7, 0), "Raňajky"),
                                Ordinary(Day(2026, 12, 10), At(8, 0), "Vlak")};
        f.WriteReminders(mine);
        f.CreateWindows();
        QCOMPARE(Import(f, PathOf(f, "eva.dat"), {Skip, Add}), 2);
        const ReminderList file = f.ReadReminders();
        QCOMPARE(Occurrences(file, mine[0]), std::size_t{1});
        QCOMPARE(Occurrences(file, mine[1]), std::size_t{2});
    }

    void allAddThenSkipTakesTheShownReminderAndAllLaterOnes() {
        UiFixture f;
        f.CreateWindows();
        const ReminderList set{Ordinary(Day(2026, 12, 8), At(9, 0), "a"), Ordinary(Day(2026, 12, 9), At(9, 0), "b"),
                               Ordinary(Day(2026, 12, 10), At(9, 0), "c")};
        f.folder.Write("sada.kvl", *storage::EncodeReminderFile(set));
        QCOMPARE(Import(f, PathOf(f, "sada.kvl"), {TickAllThenSkip}), 1);
        QCOMPARE(f.ReadReminders(), set);
        QCOMPARE(f.windows->addNew->ImportAccepted, 0);

        // The next import starts with the box cleared and asks again.
        QCOMPARE(Import(f, PathOf(f, "sada.kvl"), {Skip, Skip, Skip}), 3);
        QCOMPARE(f.ReadReminders(), set);
    }

    void closeKeepsThePreviousAnswerAcrossQuestionsAndImports() {
        UiFixture f;
        f.CreateWindows();
        const ReminderList set{Ordinary(Day(2026, 12, 8), At(9, 0), "a"), Ordinary(Day(2026, 12, 9), At(9, 0), "b"),
                               Ordinary(Day(2026, 12, 10), At(9, 0), "c")};
        f.folder.Write("sada.kvl", *storage::EncodeReminderFile(set));
        // Nothing answered yet in this run: "Zatvoriť" skips; later it repeats the last answer.
        QCOMPARE(Import(f, PathOf(f, "sada.kvl"), {Close, Add, Close}), 3);
        QCOMPARE(f.ReadReminders(), ReminderList({set[1], set[2]}));
        QCOMPARE(Import(f, PathOf(f, "sada.kvl"), {Close, Skip, Close}), 3);
        QCOMPARE(f.ReadReminders(), ReminderList({set[0], set[1], set[2]}));
    }

    void filesThatAreNotSetsAddNothingAndSaySo() {
        UiFixture f;
        const ReminderList mine{Ordinary(Day(2026, 12, 9), At(7, 0), "Raňajky")};
        f.WriteReminders(mine);
        f.CreateWindows();
        const std::vector<std::uint8_t> before = f.folder.Read("eva.dat");

        std::vector<std::uint8_t> set = *storage::EncodeReminderFile(
            {Ordinary(Day(2026, 12, 8), At(9, 0), "a"), Ordinary(Day(2026, 12, 9), At(9, 0), "bbbbbbbb")});
        std::vector<std::uint8_t> truncated(set.begin(), set.end() - 10);
        std::vector<std::uint8_t> corrupt = set;
        corrupt[8] = 0xFF;  // a negative count
        corrupt[11] = 0xFF;
        const std::string text = "Zoznam nákupov: mlieko, chlieb\n";
        f.folder.Write("neuplny.kvl", truncated);
        f.folder.Write("poskodeny.kvl", corrupt);
        f.folder.Write("nakup.txt", std::vector<std::uint8_t>(text.begin(), text.end()));

        const std::pair<std::string, std::string> cases[] = {
            {"neuplny.kvl", "Súbor je neúplný: končí uprostred pripomienky č. 2."},
            {"poskodeny.kvl", "Súbor je poškodený"},
            {"nakup.txt", "Súbor nie je súbor pripomienok Kalvo (neznáma verzia formátu)."},
            {"chyba.kvl", "Súbor neexistuje."},
        };
        for (const auto& [name, reason] : cases) {
            f.dialogs.shown.clear();
            QCOMPARE(Import(f, PathOf(f, name), {}), 0);
            QCOMPARE(f.dialogs.Count("error"), 1);
            const std::string& said = f.dialogs.shown.back().text;
            QVERIFY2(said.find(reason) != std::string::npos, said.c_str());
            QVERIFY(said.find("Nepridala sa žiadna pripomienka.") != std::string::npos);
            QVERIFY(f.folder.Read("eva.dat") == before);
            QCOMPARE(f.windows->main->Store().Reminders(), mine);
        }

        // An empty set is a set: it offers nothing.
        f.folder.Write("prazdny.kvl", {});
        f.dialogs.shown.clear();
        QCOMPARE(Import(f, PathOf(f, "prazdny.kvl"), {}), 0);
        QCOMPARE(f.dialogs.shown.back().kind, std::string("info"));
        QVERIFY(f.folder.Read("eva.dat") == before);
    }

    void questionShowsTheReminder() {
        UiFixture f;
        f.CreateWindows();
        ui::TFAddNew* q = f.windows->addNew;
        QCOMPARE(q->size(), QSize(412, 225));
        QVERIFY(q->windowFlags() & Qt::WindowStaysOnTopHint);

        // Weekly from Thursday 10 December, notices at 8:00, the next one on 17 December.
        TReminder weekly =
            WithNotice(Ordinary(Day(2026, 12, 24), At(18, 30, 15), "Stretnutie triedy po dvadsiatich rokoch"),
                       Day(2026, 12, 10), rpWeekly, At(8, 0), 3);
        weekly.NoticeNext = Day(2026, 12, 17);
        weekly.Melody = "/hudba/gong.wav";
        q->Fill(weekly);
        QCOMPARE(q->LKrok->text(), QStringLiteral("Pripomienka"));
        QCOMPARE(q->LDateTime->text(), QStringLiteral("24.12.2026 - 18:30:15"));
        QCOMPARE(q->LPicture->text(), QStringLiteral("Standardný"));
        QCOMPARE(q->LMelodia->text(), QStringLiteral("/hudba/gong.wav"));
        QCOMPARE(q->LDateOdPerioda->text(), QStringLiteral("10.12.2026 (týždenne)"));
        QCOMPARE(q->LLastShow->text(), QStringLiteral("08:00 (17.12.26 - štvrtok)"));
        QVERIFY(q->LLastShow->isEnabled());
        WhenModal([&] {
            UiFixture::Screenshot(q, QStringLiteral("import_question"));
            Close(q);
        });
        q->ShowModal();

        q->Fill(NameDay(Day(2026, 12, 27), At(12, 0), Day(2026, 12, 26), At(8, 0)));
        QCOMPARE(q->LKrok->text(), QStringLiteral("Meniny"));
        q->Fill(Ordinary(Day(2026, 12, 8), At(9, 0), "Bez upozornenia"));
        for (QLabel* l : {q->LabelNoticeFrom, q->LabelAlsoAt, q->LDateOdPerioda, q->LLastShow})
            QVERIFY(!l->isEnabled());
        QVERIFY(q->LDateOdPerioda->text().isEmpty());
        QVERIFY(q->LLastShow->text().isEmpty());
    }

    void exportNeverOverwritesTheArchiveAndCancelWritesNothing() {
        UiFixture f;
        f.WriteReminders({Ordinary(Day(2026, 12, 9), At(7, 0), "Raňajky")});
        const std::vector<std::uint8_t> archive =
            *storage::EncodeReminderFile({Ordinary(Day(2025, 1, 1), At(0, 0), "staré")});
        f.folder.Write("eva_old.dat", archive);
        f.CreateWindows();
        f.dialogs.files = {PathOf(f, "eva_old.dat")};
        f.windows->main->Exportova1->trigger();
        QCOMPARE(f.dialogs.Count("error"), 1);
        QVERIFY(f.folder.Read("eva_old.dat") == archive);

        const auto names = f.folder.Names();
        f.windows->main->Exportova1->trigger();  // cancelled
        QCOMPARE(f.folder.Names(), names);
    }
};

KALVO_UI_TEST(TransferTest)

}  // namespace kalvo::test

#include "transfer_test.moc"
