// A setup.dat the program cannot read whole: the user hears of it once, and the file is kept before
// the first save of the settings replaces it.

#include <QTest>

#include "storage/settings_file.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {

class DamagedSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void theUserIsToldOnceAndTheFileIsKeptBeforeASave() {
        UiFixture f;
        TSettings own;
        own.OverviewSeconds = 45;
        std::vector<std::uint8_t> damaged = *storage::EncodeSettings(own);
        damaged[8] = 0x7F;  // the melody's length runs past the end
        f.folder.Write("setup.dat", damaged);
        f.CreateWindows();
        QCOMPARE(f.dialogs.Count("error"), 1);
        QCOMPARE(f.dialogs.shown.front().text,
                 "Súbor nastavení nebolo možné prečítať celý:\n" + storage::Utf8FromPath(f.folder / "setup.dat") +
                     "\n(súbor je poškodený).\n\nČo sa z neho nedalo prečítať, má predvolené hodnoty.\n"
                     "Pôvodný súbor bol uschovaný ako setup.dat.poskodeny-20261207-090000.");
        QVERIFY(f.folder.Read("setup.dat.poskodeny-20261207-090000") == damaged);
        // Reading stopped at the damaged field: what follows it keeps the loader's built-in value.
        QCOMPARE(f.ctx->Settings.OverviewSeconds, 0);

        // The settings saved later replace the damaged file; its copy stays.
        QVERIFY(storage::SaveSetup(f.ctx->SetupFile(), f.ctx->Settings));
        TSettings back;
        QVERIFY(storage::OpenSetup(f.folder / "setup.dat", back).status == storage::SettingsStatus::Ok);
        QVERIFY(f.folder.Read("setup.dat.poskodeny-20261207-090000") == damaged);
        QCOMPARE(f.dialogs.Count("error"), 1);
    }

    void theSameDamageAtTheNextStartIsNeitherCopiedNorToldAgain() {
        std::vector<std::uint8_t> damaged = *storage::EncodeSettings(TSettings{});
        damaged.resize(damaged.size() - 2);
        UiFixture first;
        first.folder.Write("setup.dat", damaged);
        first.CreateWindows();
        QCOMPARE(first.dialogs.Count("error"), 1);
        first.windows.reset();

        UiFixture again;  // the same folder a minute later, nothing saved in between
        again.platform.programFolder = first.folder.Path();
        again.ctx->files.folder = first.folder.Path();
        again.SetNow(Day(2026, 12, 7), 9, 1);
        again.CreateWindows();
        QCOMPARE(again.dialogs.Count("error"), 0);
        QVERIFY(!first.folder.Exists("setup.dat.poskodeny-20261207-090100"));
        // A save still replaces the damaged file, which is kept already.
        QVERIFY(storage::SaveSetup(again.ctx->SetupFile(), again.ctx->Settings));
        QVERIFY(first.folder.Read("setup.dat.poskodeny-20261207-090000") == damaged);
    }

    void aSoundFileSaysNothing() {
        UiFixture f;
        TSettings own;
        own.OverviewSeconds = 45;
        f.WriteSettings(own);
        f.CreateWindows();
        QVERIFY(f.dialogs.shown.empty());
        QCOMPARE(f.ctx->Settings.OverviewSeconds, 45);
        for (const std::string& name : f.folder.Names()) QVERIFY(name.find("poskodeny") == std::string::npos);
    }
};

KALVO_UI_TEST(DamagedSettingsTest)

}  // namespace kalvo::test

#include "damaged_settings_test.moc"
