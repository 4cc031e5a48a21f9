#include <gmock/gmock.h>

#include <QApplication>
#include <QtGlobal>

// The windows need an application object before the first widget is made.
// They run on Qt's offscreen platform unless told otherwise, also when ctest
// lists the tests (without the environment it sets for running them).
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
