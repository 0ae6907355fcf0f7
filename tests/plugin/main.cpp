// The plug-in tests need an application object: the plug-in shows message
// boxes and restores the override cursor. GoogleTest's discovery runs this
// binary at build time without the tests' environment, so the offscreen
// platform is chosen here unless another one is asked for.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
