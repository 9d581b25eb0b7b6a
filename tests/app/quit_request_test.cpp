// The quit request on the running copy's channel: a second start still shows the first, the installer's
// request ends it or is told at once that it cannot end now, and the wait for an end is bounded.

#include "app/single_instance.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <future>

#include "ui_test_main.h"

namespace kalvo::test {
namespace {

using namespace std::chrono_literals;
using app::SingleInstance;
using Result = SingleInstance::QuitResult;

// The request from a thread of its own, as from another process, while this one answers.
Result Request(const QString& key, std::chrono::milliseconds wait) {
    auto asked = std::async(std::launch::async, [=] { return SingleInstance::RequestQuit(key, wait); });
    while (asked.wait_for(5ms) != std::future_status::ready) QCoreApplication::processEvents();
    return asked.get();
}

}  // namespace

class QuitRequestTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        key_ = QStringLiteral("eva|/test/") + QString::number(QRandomGenerator::global()->generate64());
        shown_ = 0;
        asked_ = 0;
    }

    void nothingRunningIsSaidSo() { QCOMPARE(Request(key_, 2s), Result::NoneRunning); }

    void aSecondStartShowsTheFirst() {
        SingleInstance first(key_);
        Watch(first, true);
        QVERIFY(first.IsFirst());
        {
            SingleInstance second(key_);
            QVERIFY(!second.IsFirst());
        }
        QTRY_COMPARE(shown_, 1);
        QCOMPARE(asked_, 0);
    }

    void theRequestEndsTheRunningCopyAndWaitsUntilItIsGone() {
        auto first = std::make_unique<SingleInstance>(key_);
        Watch(*first, true);
        // The end comes a moment after the answer, as the program's own end does.
        first->OnQuit([&] {
            ++asked_;
            QTimer::singleShot(50, [&] { first.reset(); });
            return true;
        });
        QCOMPARE(Request(key_, 10s), Result::Ended);
        QCOMPARE(asked_, 1);
        QCOMPARE(shown_, 0);
        QVERIFY(!first);
        SingleInstance next(key_);
        QVERIFY(next.IsFirst());
    }

    void aCopyThatCannotEndNowSaysSoAtOnce() {
        SingleInstance first(key_);
        Watch(first, false);
        QElapsedTimer took;
        took.start();
        QCOMPARE(Request(key_, 20s), Result::StillRunning);
        QVERIFY(took.elapsed() < 5000);
        QCOMPARE(asked_, 1);
        QCOMPARE(shown_, 0);
        SingleInstance second(key_);
        QVERIFY(!second.IsFirst());
    }

    void aCopyThatDoesNotEndIsWaitedForOnlySoLong() {
        SingleInstance first(key_);
        Watch(first, true);  // says it ends, and does not
        QCOMPARE(Request(key_, 300ms), Result::StillRunning);
        QCOMPARE(asked_, 1);
    }

private:
    void Watch(SingleInstance& instance, bool ends) {
        instance.OnActivate([this] { ++shown_; });
        instance.OnQuit([this, ends] {
            ++asked_;
            return ends;
        });
    }

    QString key_;
    int shown_ = 0;
    int asked_ = 0;
};

KALVO_UI_TEST(QuitRequestTest)

}  // namespace kalvo::test

#include "quit_request_test.moc"
