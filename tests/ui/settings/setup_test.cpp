// "Nastavenia" opened from the tray menu, its pages used as a person uses them, and setup.dat as
// "Použiť" leaves it.

#include <QTest>

#include "storage/settings_file.h"
#include "ui/alarm/message_popup.h"
#include "ui/main_window/kalvounit.h"
#include "ui/settings/setup.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

// Opens the dialog from the tray menu and runs `steps` in it; the dialog is closed with "Zatvoriť"
// when the steps leave it open.
void InSettings(UiFixture& f, const std::function<void(ui::TFormSetup*)>& steps) {
    ui::TFormSetup* setup = f.windows->setup;
    bool ran = false;
    WhenModal([&] {
        steps(setup);
        ran = true;
        if (setup->isVisible()) QTest::mouseClick(setup->Label10, Qt::LeftButton);
    });
    f.windows->main->Nastavenia1->trigger();
    QVERIFY(ran);
    QVERIFY(!setup->isVisible());
}

void Apply(ui::TFormSetup* s) { QTest::mouseClick(s->Label11, Qt::LeftButton); }

void Choose(QMenu* menu, QAction* item) {
    QVERIFY(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QVERIFY(!menu->isVisible());
}

TSettings Saved(const UiFixture& f) {
    TSettings s;
    storage::OpenSetup(f.folder / "setup.dat", s);
    return s;
}

void TypeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class SetupTest : public QObject {
    Q_OBJECT

private slots:
    void timeSignalAtAChosenTimeThenEveryTwoHoursThenOff() {
        UiFixture f;
        f.CreateWindows();
        InSettings(f, [&](ui::TFormSetup* s) {
            QCOMPARE(s->size(), QSize(513, 278));
            QVERIFY(s->FrVseob1->isVisible());
            QVERIFY(!s->FrVseob1->BtSetupTime->isEnabled());
            ClickBox(s->FrVseob1->CheckBox1);
            QVERIFY(s->FrVseob1->BtSetupTime->isEnabled());
            QTest::mouseClick(s->FrVseob1->BtSetupTime, Qt::LeftButton);
            UiFixture::Screenshot(s->PopTime, QStringLiteral("setup_time_menu"));
            Choose(s->PopTime, s->Vlastnas1);
            QVERIFY(s->FrVseob1->CasZnamenie->isVisible());
            QCOMPARE(s->FrVseob1->Label3->text(), QStringLiteral("Oznamovať len o"));
            s->FrVseob1->CasZnamenie->setTime(QTime(18, 45));
            UiFixture::Screenshot(s, QStringLiteral("setup_general"));
            Apply(s);
        });
        QCOMPARE(Saved(f).TimeSignalInterval, std::int32_t{tsAtTime});
        QCOMPARE(Saved(f).TimeSignalAt, TimeFraction(18, 45, 0));
        QCOMPARE(f.ctx->Settings.TimeSignalAt, TimeFraction(18, 45, 0));

        InSettings(f, [&](ui::TFormSetup* s) {
            QVERIFY(s->FrVseob1->CheckBox1->isChecked());
            QCOMPARE(s->FrVseob1->CasZnamenie->time(), QTime(18, 45));
            QTest::mouseClick(s->FrVseob1->BtSetupTime, Qt::LeftButton);
            Choose(s->PopTime, s->N2hodiny1);
            QVERIFY(!s->FrVseob1->CasZnamenie->isVisible());
            QCOMPARE(s->FrVseob1->LInterval->text(), QStringLiteral("2 hodiny"));
            QCOMPARE(s->FrVseob1->Label3->text(), QStringLiteral("Interval časového znamenia"));
            Apply(s);
        });
        QCOMPARE(Saved(f).TimeSignalInterval, std::int32_t{tsTwoHours});
        QCOMPARE(Saved(f).TimeSignalAt, -1.0);

        InSettings(f, [&](ui::TFormSetup* s) {
            QCOMPARE(s->FrVseob1->LInterval->text(), QStringLiteral("2 hodiny"));
            ClickBox(s->FrVseob1->CheckBox1);
            // Switching the signal off counts at once; the file follows with "Použiť".
            QCOMPARE(f.ctx->Settings.TimeSignalInterval, std::int32_t{tsOff});
            QCOMPARE(Saved(f).TimeSignalInterval, std::int32_t{tsTwoHours});
            Apply(s);
        });
        QCOMPARE(Saved(f).TimeSignalInterval, std::int32_t{tsOff});
        InSettings(f, [&](ui::TFormSetup* s) {
            QVERIFY(!s->FrVseob1->CheckBox1->isChecked());
            QVERIFY(!s->FrVseob1->BtSetupTime->isEnabled());
            QVERIFY(s->FrVseob1->LInterval->text().isEmpty());
        });
    }

    void overviewSecondsAndSwitchesAreReadBackOnApply() {
        UiFixture f;
        f.CreateWindows();
        // At most what the overview's close button can count down: "99999" stops at four digits.
        const std::pair<QString, std::int32_t> cases[] = {{"pat", 20},   {"-5", 0},      {"4,5", 20},
                                                          {"1000", 999}, {"99999", 999}, {" 45 ", 45}};
        for (const auto& [typed, stored] : cases) {
            InSettings(f, [&](ui::TFormSetup* s) {
                TypeInto(s->FrVseob1->LTimeClose, typed);
                Apply(s);
            });
            QCOMPARE(Saved(f).OverviewSeconds, stored);
        }
        InSettings(f, [&](ui::TFormSetup* s) {
            QCOMPARE(s->FrVseob1->LTimeClose->text(), QStringLiteral("45"));
            for (QCheckBox* b :
                 {s->FrVseob1->CBOslava, s->FrVseob1->CBOldMemo, s->FrVseob1->CBNarForm, s->FrVseob1->CBAnim})
                ClickBox(b);
            Apply(s);
        });
        const TSettings saved = Saved(f);
        QCOMPARE(saved.MoveToNextYear, std::uint8_t{1});
        QCOMPARE(saved.DeleteOldReminders, std::uint8_t{0});
        QCOMPARE(saved.SlideNameWindow, std::uint8_t{0});
        QCOMPARE(saved.AnimateWindows, std::uint8_t{0});

        // Opening the tray menu shows the current switch in the dialog.
        f.ctx->Settings.DeleteOldReminders = 1;
        f.windows->main->PopupMenuPopup();
        QVERIFY(f.windows->setup->FrVseob1->CBOldMemo->isChecked());
    }

    void melodyIsPendingUntilApplyAndResetRestoresTheDefaultAtOnce() {
        UiFixture f;
        f.CreateWindows();
        f.platform.soundPlays = false;
        f.dialogs.files = {std::string("/hudba/gong.wav")};
        InSettings(f, [&](ui::TFormSetup* s) {
            QTest::mouseClick(s->BtSound, Qt::LeftButton);
            QVERIFY(s->FrSound1->isVisible() && !s->FrVseob1->isVisible());
            QCOMPARE(s->FrSound1->EPath->text(), ui::PathText(f.folder / "sound.wav"));
            QTest::mouseClick(s->FrSound1->DtFind, Qt::LeftButton);
            QCOMPARE(f.dialogs.fileDialogs.back().title, std::string("Vyberte súbor z melódiou ..."));
            QCOMPARE(f.dialogs.fileDialogs.back().filter, std::string("Zvukové súbory (*.wav)|*.wav"));
            QCOMPARE(s->FrSound1->EPath->text(), QStringLiteral("/hudba/gong.wav"));
            QTest::mouseClick(s->FrSound1->BtPlay, Qt::LeftButton);
            QCOMPARE(f.platform.sounds.back(), (FakePlatform::Sound{"/hudba/gong.wav", SoundMode::ToEnd}));
            QCOMPARE(f.platform.calls.back(), std::string("DefaultBeep"));  // it could not be played
            QCOMPARE(s->FrSound1->BtPlay->text(), QStringLiteral("Vypočuť"));
            UiFixture::Screenshot(s, QStringLiteral("setup_sound"));
        });  // closed with "Zatvoriť"
        QCOMPARE(f.ctx->Settings.StandardMelody, std::string("Default"));

        f.dialogs.files = {std::string("/hudba/gong.wav")};
        InSettings(f, [&](ui::TFormSetup* s) {
            QTest::mouseClick(s->BtSound, Qt::LeftButton);
            QTest::mouseClick(s->FrSound1->BtPlay, Qt::LeftButton);
            QCOMPARE(f.platform.sounds.back(), (FakePlatform::Sound{"sound.wav", SoundMode::ToEnd}));
            QTest::mouseClick(s->FrSound1->DtFind, Qt::LeftButton);
            Apply(s);
        });
        QCOMPARE(Saved(f).StandardMelody, std::string("/hudba/gong.wav"));

        InSettings(f, [&](ui::TFormSetup* s) {
            TypeInto(s->FrVseob1->LTimeClose, QStringLiteral("33"));
            QTest::mouseClick(s->BtReset, Qt::LeftButton);
            QVERIFY(s->PopReset->isVisible());
            Choose(s->PopReset, s->Zvukpripomienky1);
            QCOMPARE(f.ctx->Settings.StandardMelody, std::string("Default"));
            QCOMPARE(s->FrSound1->EPath->text(), ui::PathText(f.folder / "sound.wav"));
            QCOMPARE(s->FrVseob1->LTimeClose->text(), QStringLiteral("0"));  // what was not applied is gone
        });
        QCOMPARE(Saved(f).StandardMelody, std::string("/hudba/gong.wav"));  // saved only by "Použiť"
    }

    void picturesAndPathsTheSettingsFileCannotHold() {
        UiFixture f;
        f.CreateWindows();
        f.folder.Write("hory.jpg", {0xFF, 0xD8, 0xFF});
        const std::string mountains = (f.folder / "hory.jpg").string();
        f.dialogs.files = {std::string("/obrázky/胡同.jpg"), mountains, std::string("/nikde/more.jpg")};
        InSettings(f, [&](ui::TFormSetup* s) {
            QTest::mouseClick(s->BtPicture, Qt::LeftButton);
            QCOMPARE(s->FrPicture1->PripPicture->text(), QStringLiteral("Štandardný"));
            QTest::mouseClick(s->FrPicture1->Button1, Qt::LeftButton);
            QCOMPARE(f.dialogs.Count("error"), 1);
            QVERIFY(f.dialogs.shown.back().text.find("胡") != std::string::npos);
            QVERIFY(s->FrPicture1->KalvoPicture->text().isEmpty());
            QTest::mouseClick(s->FrPicture1->Button1, Qt::LeftButton);
            QCOMPARE(f.dialogs.fileDialogs.back().title, std::string("Vyberte obrázok Kalvo ..."));
            QCOMPARE(f.dialogs.fileDialogs.back().filterIndex, 1);
            QTest::mouseClick(s->FrPicture1->Button2, Qt::LeftButton);
            QCOMPARE(f.dialogs.fileDialogs.back().title, std::string("Vyberte obrázok pripomienky ..."));
            QCOMPARE(s->FrPicture1->PripPicture->text(), QStringLiteral("/nikde/more.jpg"));
            UiFixture::Screenshot(s, QStringLiteral("setup_pictures"));
            Apply(s);
        });
        QCOMPARE(Saved(f).MainPicture, mountains);
        QCOMPARE(Saved(f).StandardPicture, std::string("Štandardný"));  // the chosen file does not exist

        // A path typed by hand counts, even when "Použiť" is pressed with the field still in use.
        InSettings(f, [&](ui::TFormSetup* s) {
            QTest::mouseClick(s->BtPicture, Qt::LeftButton);
            s->activateWindow();
            QLineEdit* edit = s->FrPicture1->PripPicture;
            edit->setFocus();
            QApplication::processEvents();
            QVERIFY(edit->text().isEmpty());  // "Štandardný" makes way for typing
            QTest::keyClicks(edit, QString::fromStdString(mountains));
            Apply(s);
        });
        QCOMPARE(Saved(f).StandardPicture, mountains);
    }

    void startAtLogOnGoesToThePlatform() {
        UiFixture f;
        f.CreateWindows();
        InSettings(f, [&](ui::TFormSetup* s) {
            QVERIFY(!s->FrVseob1->AutoStart->isChecked());
            // Named after the system, spelt right: this is Linux.
            QCOMPARE(s->FrVseob1->AutoStart->text(), QStringLiteral("Vždy spustiť Kalvo po prihlásení"));
            QCOMPARE(s->LIDsystem->text(), QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
            ClickBox(s->FrVseob1->AutoStart);
            QVERIFY(f.platform.calls.empty());  // nothing before "Použiť"
            Apply(s);
        });
        QCOMPARE(f.platform.calls, std::vector<std::string>{"EnableAutostart"});
        InSettings(f, [&](ui::TFormSetup* s) {
            QVERIFY(s->FrVseob1->AutoStart->isChecked());
            ClickBox(s->FrVseob1->AutoStart);
            Apply(s);
        });
        QCOMPARE(f.platform.calls.back(), std::string("DisableAutostart"));
        QVERIFY(!f.platform.autostartOn);
    }

    void shutDownPageProposesTheNextFullHourAndHoldsTheOrder() {
        UiFixture f;
        f.CreateWindows();
        const DayNumber today = Day(2026, 12, 7);
        ui::TMainForm* main = f.windows->main;
        InSettings(f, [&](ui::TFormSetup* s) {
            QTest::mouseClick(s->BtPC, Qt::LeftButton);
            ui::TFrPC* pc = s->FrPC1;
            QCOMPARE(pc->DateDownPC->date(), QDate(2026, 12, 7));
            QCOMPARE(pc->TimeDownPC->time(), QTime(10, 0));
            QVERIFY(!pc->DateDownPC->isEnabled() && !pc->TimeDownPC->isEnabled());
            ClickBox(pc->CBDownPC);
            QVERIFY(pc->DateDownPC->isEnabled() && pc->TimeDownPC->isEnabled());
            // The scheduler sees the order as the page holds it, before any "Použiť".
            const scheduler::ShutdownOrder order = main->CurrentShutdownOrder();
            QVERIFY(order.ordered);
            QCOMPARE(order.day, today);
            QCOMPARE(order.hour, 10);
            UiFixture::Screenshot(s, QStringLiteral("setup_shutdown"));
        });
        // Closed without "Použiť": the order is dropped.
        QVERIFY(!main->CurrentShutdownOrder().ordered);
        QVERIFY(!f.windows->popup->AutoCloseAlarms);

        f.SetNow(today, 23, 20);
        InSettings(f, [&](ui::TFormSetup* s) {
            // Midnight of the day that has just begun would lie in the past: tomorrow's.
            QCOMPARE(s->FrPC1->DateDownPC->date(), QDate(2026, 12, 8));
            QCOMPARE(s->FrPC1->TimeDownPC->time(), QTime(0, 0));
            ClickBox(s->FrPC1->CBDownPC);
            Apply(s);
        });
        QCOMPARE(f.ctx->Settings.ShutdownEnabled, std::uint8_t{1});
        QVERIFY(f.windows->popup->AutoCloseAlarms);
        QVERIFY(main->CurrentShutdownOrder().ordered);
        QCOMPARE(main->CurrentShutdownOrder().day, today + 1);
        InSettings(f, [&](ui::TFormSetup* s) { QVERIFY(s->FrPC1->CBDownPC->isChecked()); });
        QVERIFY(main->CurrentShutdownOrder().ordered);  // "Zatvoriť" keeps an applied order
    }

    void aFailedSaveIsTold() {
        UiFixture f;
        f.CreateWindows();
        std::filesystem::create_directory(f.folder / "setup.dat");  // nothing can replace a folder
        InSettings(f, [&](ui::TFormSetup* s) { Apply(s); });
        QCOMPARE(f.dialogs.Count("error"), 1);
        QVERIFY(f.dialogs.shown.back().text.find("Nastavenia sa nepodarilo uložiť") != std::string::npos);
    }
};

KALVO_UI_TEST(SetupTest)

}  // namespace kalvo::test

#include "setup_test.moc"
