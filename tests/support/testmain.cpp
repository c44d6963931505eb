// Test entry point: a Qt application object exists for the whole run (the
// SQLite driver and the widgets need one); widget tests run offscreen.
#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Settings the program keeps (the alias registry) go to a directory of
    // this run, never to the user's own configuration.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
#ifdef ORVANTA_TEST_GUI
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
