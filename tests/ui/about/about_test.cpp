// "O programe" from the tray menu.

#include <QTest>

#include "kalvo_version.h"
#include "ui/about/about.h"
#include "ui/main_window/kalvounit.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void showsNameVersionAndClickableLinks() {
        UiFixture f;
        f.CreateWindows();
        ui::TAboutBox* about = f.windows->about;
        bool shown = false;
        WhenModal([&] {
            shown = about->isVisible();
            QCOMPARE(about->ProductName->text(), QStringLiteral("Kalvo"));
            QCOMPARE(about->Version->text(), QStringLiteral("Verzia " KALVO_VERSION_TEXT));
            QVERIFY(about->Links->openExternalLinks());
            QVERIFY(about->Links->text().contains(QStringLiteral("href='" KALVO_HOMEPAGE_URL "'")));
            QVERIFY(about->Links->text().contains(QStringLiteral("href='mailto:" KALVO_CONTACT_EMAIL "'")));
            QVERIFY(about->Links->text().contains(QStringLiteral("href='" KALVO_ISSUES_URL "'")));
            UiFixture::Screenshot(about, QStringLiteral("about"));
            QTest::mouseClick(about->BtClose, Qt::LeftButton);
        });
        f.windows->main->Oprograme1->trigger();
        QVERIFY(shown);
        QVERIFY(!about->isVisible());
        QVERIFY(!ui::TAboutBox::VersionText().isEmpty());
    }
};

KALVO_UI_TEST(AboutTest)

}  // namespace kalvo::test

#include "about_test.moc"
