// "Exportovať" and "Importovať" with iCalendar files: the file type chooses the format, and the import
// asks the same question for each event and tells once what it could not take.

#include <QTest>
#include <QTimer>
#include <atomic>
#include <deque>
#include <fstream>
#include <future>
#include <iterator>

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

int Import(UiFixture& f, const std::string& file, std::deque<Answer> answers) {
    auto left = std::make_shared<std::deque<Answer>>(std::move(answers));
    auto asked = std::make_shared<int>(0);
    std::function<void()> answer = [&f, left, asked, &answer] {
        ++*asked;
        ui::TFAddNew* q = f.windows->addNew;
        if (left->empty()) return Skip(q);
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

std::vector<std::uint8_t> Sample(const char* name) {
    std::ifstream in(std::string(KALVO_ICAL_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

class ICalTransferTest : public QObject {
    Q_OBJECT

private slots:
    void exportToIcsAndImportItIntoAFreshListGivesTheSameReminders() {
        const ReminderList mine{
            Ordinary(Day(2026, 12, 10), At(10, 0), "Zubár"),
            WithNotice(Ordinary(Day(2026, 12, 27), At(18, 30), "Výročie"), Day(2026, 12, 17), rpWeekly, At(8, 0), 3),
            NameDay(Day(2027, 1, 13), At(12, 0), Day(2027, 1, 12), At(8, 0))};
        {
            UiFixture f;
            f.WriteReminders(mine);
            f.CreateWindows();
            f.dialogs.files = {PathOf(f, "kalendar.ics")};
            f.windows->main->Exportova1->trigger();
            QCOMPARE(f.dialogs.fileDialogs.back().filter,
                     std::string("Všetky súbory|*.*|Súbory pripomienok (*.kvl)|*.kvl|iCalendar (.ics)|*.ics"));
            const std::vector<std::uint8_t> text = f.folder.Read("kalendar.ics");
            QVERIFY(std::string(text.begin(), text.end()).rfind("BEGIN:VCALENDAR\r\n", 0) == 0);
            QCOMPARE(f.dialogs.Count("error"), 0);
            QCOMPARE(f.ReadReminders(), mine);  // the user's own file is not touched

            UiFixture fresh;
            fresh.CreateWindows();
            fresh.folder.Write("kalendar.ics", text);
            QCOMPARE(Import(fresh, PathOf(fresh, "kalendar.ics"), {Add, Add, Add}), 3);
            QCOMPARE(fresh.ReadReminders(), mine);
            QCOMPARE(fresh.windows->main->Store().Reminders(), mine);
            QCOMPARE(fresh.dialogs.Count("info"), 0);  // everything was taken as it was
        }
    }

    void anotherProgramsFileAsksPerEventAndTellsWhatItCouldNotTake() {
        UiFixture f;
        const ReminderList mine{Ordinary(Day(2026, 12, 9), At(7, 0), "Raňajky")};
        f.WriteReminders(mine);
        f.CreateWindows();
        f.folder.Write("outlook.ics", Sample("outlook.ics"));
        // The first event is skipped, the second taken.
        QCOMPARE(Import(f, PathOf(f, "outlook.ics"), {Skip, Add}), 2);
        const ReminderList file = f.ReadReminders();
        QCOMPARE(file.size(), std::size_t{2});
        QCOMPARE(file[1].Text, std::string("Stretnutie s Oysteinom v Łódźi ?"));
        QCOMPARE(f.dialogs.Count("info"), 1);
        const std::string& said = f.dialogs.shown.back().text;
        QVERIFY2(said.rfind("3 udalosti sa nedali prevziať:\n", 0) == 0, said.c_str());
        QVERIFY2(said.find("neznáme časové pásmo „Mars/Olympus_Mons“") != std::string::npos, said.c_str());
        QVERIFY2(said.find("Pri 1 udalosti sa nedalo prevziať všetko") != std::string::npos, said.c_str());
    }

    // The file is read beside the event loop: the tick's timer and D-Bus calls are served meanwhile.
    void theEventLoopRunsWhileAFileIsRead() {
        UiFixture f;
        f.CreateWindows();
        const std::string ics =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART:20261101T080000\r\n"
            "RRULE:FREQ=DAILY\r\nSUMMARY:Denne\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        f.folder.Write("denne.ics", std::vector<std::uint8_t>(ics.begin(), ics.end()));
        auto timer = std::make_shared<std::promise<void>>();
        std::shared_future<void> timerRan = timer->get_future().share();
        QTimer::singleShot(0, [timer] { timer->set_value(); });
        std::atomic<bool> first{true};
        std::atomic<bool> servedWhileReading{false};
        // The first reading of the expansion's clock waits until the timer has run (at most a few seconds,
        // which only a fault spends).
        f.windows->main->ICalendarSteadyClock = [&] {
            if (first.exchange(false))
                servedWhileReading = timerRan.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
            return std::chrono::steady_clock::now();
        };
        QCOMPARE(Import(f, PathOf(f, "denne.ics"), {Add}), 1);
        QVERIFY(servedWhileReading);
        QCOMPARE(f.ReadReminders().size(), std::size_t{1});
    }

    void badIcsFilesChangeNothingAndSaySo() {
        UiFixture f;
        const ReminderList mine{Ordinary(Day(2026, 12, 9), At(7, 0), "Raňajky")};
        f.WriteReminders(mine);
        f.CreateWindows();
        const std::vector<std::uint8_t> before = f.folder.Read("eva.dat");
        const std::vector<std::uint8_t> whole = Sample("google.ics");
        std::vector<std::uint8_t> binary = whole;
        binary[100] = 0;
        f.folder.Write("neuplny.ics", std::vector<std::uint8_t>(whole.begin(), whole.begin() + 300));
        f.folder.Write("binarny.ics", binary);
        f.folder.Write("text.ics", {'a', 'b', 'c'});
        const std::pair<std::string, std::string> cases[] = {
            {"neuplny.ics", "Súbor je neúplný: chýba koniec kalendára (END:VCALENDAR)."},
            {"binarny.ics", "binárne údaje"},
            {"text.ics", "Súbor nie je vo formáte iCalendar"},
            {"chyba.ics", "Súbor neexistuje."},
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
    }
};

KALVO_UI_TEST(ICalTransferTest)

}  // namespace kalvo::test

#include "ical_transfer_test.moc"
