// The end-to-end suite runs headless: the offscreen platform and a private
// runtime directory. Death tests re-run this program to end the real way.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // K964_TEST_PLATFORM=xcb runs them on a (virtual) X server instead, where
    // a window is on the screen only once it has been mapped and exposed.
    qputenv("QT_QPA_PLATFORM", qgetenv("K964_TEST_PLATFORM").isEmpty()
                                   ? QByteArray("offscreen")
                                   : qgetenv("K964_TEST_PLATFORM"));
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
