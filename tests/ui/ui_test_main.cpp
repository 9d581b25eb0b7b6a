#include "ui_test_main.h"

#include <QApplication>
#include <QTest>
#include <iostream>

namespace kalvo::test {

std::map<std::string, UiTestFactory>& UiTests() {
    static std::map<std::string, UiTestFactory> tests;
    return tests;
}

}  // namespace kalvo::test

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform cannot raise windows and says so every time; nothing else is dropped.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support raise()"))) return;
    standardHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // On Windows the tests draw as the program does, with the windows platform plugin, the only one the
    // static Qt links in (under Wine no QT_ variable reaches the process anyway).
    standardHandler = qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const std::string only = argc > 1 && argv[1][0] != '-' ? argv[1] : "";
    int failed = 0;
    for (auto& [name, make] : kalvo::test::UiTests()) {
        if (!only.empty() && name != only) continue;
        std::unique_ptr<QObject> test = make();
        QStringList args{QString::fromLocal8Bit(argv[0])};
        for (int i = only.empty() ? 1 : 2; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
        failed += QTest::qExec(test.get(), args);
    }
    return failed == 0 ? 0 : 1;
}
