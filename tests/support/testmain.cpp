// Test entry point: a Qt application object exists for the whole run (the
// SQLite driver and the widgets need one); widget tests run offscreen.
#include <QApplication>
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef ORVANTA_TEST_GUI
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
