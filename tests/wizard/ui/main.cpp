#include <gmock/gmock.h>

#include <QApplication>
#include <QtGlobal>

#include "support/TestEnv.h"

// The windows need an application object before the first widget is made.
// They run on Qt's offscreen platform unless told otherwise, also when ctest
// lists the tests (without the environment it sets for running them).
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The runs the tests make are saved in a folder of their own, not the user's.
    qputenv("XDG_STATE_HOME", QByteArray::fromStdString(qdt::test::TempDir() + "/state"));
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
