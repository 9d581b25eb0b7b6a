// Qt's own dialogs speak Slovak once the program's translator is in.

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include "app/qt_texts.h"
#include "ui_test_main.h"

namespace kalvo::test {

namespace {

QString Shown(const QAbstractButton* button) { return button->text().remove(QLatin1Char('&')); }

}  // namespace

class QtTextsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        translator_ = app::InstallQtSlovakTexts(this);
#ifdef KALVO_QT_TEXTS_BUILT_IN
        QVERIFY(QFile::exists(QStringLiteral(":/kalvo/i18n/qtbase_sk.qm")));
        QVERIFY(translator_ != nullptr);
#endif
        if (translator_ == nullptr) QSKIP("no qtbase_sk.qm built in or beside Qt");
    }

    void cleanup() {
        if (translator_ != nullptr) QCoreApplication::removeTranslator(translator_);
        delete translator_;
        translator_ = nullptr;
    }

    void messageBoxButtonsAreSlovak() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Kalvo"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
        QCOMPARE(Shown(box.button(QMessageBox::Yes)), QStringLiteral("Áno"));
        QCOMPARE(Shown(box.button(QMessageBox::No)), QStringLiteral("Nie"));
        QCOMPARE(Shown(box.button(QMessageBox::Cancel)), QStringLiteral("Zrušiť"));
        QCOMPARE(Shown(box.button(QMessageBox::Ok)), QStringLiteral("OK"));
    }

    void fileDialogIsSlovak() {
        QFileDialog dialog(nullptr, QStringLiteral("Kalvo"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons != nullptr);
        QCOMPARE(Shown(buttons->button(QDialogButtonBox::Cancel)), QStringLiteral("Zrušiť"));
        QCOMPARE(Shown(buttons->button(QDialogButtonBox::Save)), QStringLiteral("Uložiť"));
    }

    void removedTranslatorLeavesEnglish() {
        cleanup();
        QMessageBox box(QMessageBox::Question, QStringLiteral("Kalvo"), QStringLiteral("?"), QMessageBox::Yes);
        QCOMPARE(Shown(box.button(QMessageBox::Yes)), QStringLiteral("Yes"));
    }

private:
    QTranslator* translator_ = nullptr;
};

KALVO_UI_TEST(QtTextsTest)

}  // namespace kalvo::test

#include "qt_texts_test.moc"
