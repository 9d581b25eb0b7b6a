// GoogleTest with a QCoreApplication: the CalDAV client waits in local event loops, which need one.
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("test"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
