// Runs the Qt tests headless: the offscreen platform and a private runtime
// directory, whatever the desktop around them.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // K964_TEST_PLATFORM=xcb runs them on a (virtual) X server instead, where
    // a window is on the screen only once it has been mapped and exposed.
    qputenv("QT_QPA_PLATFORM", qgetenv("K964_TEST_PLATFORM").isEmpty()
                                   ? QByteArray("offscreen")
                                   : qgetenv("K964_TEST_PLATFORM"));
    QTemporaryDir runtime; // made 0700, as Qt wants it
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
