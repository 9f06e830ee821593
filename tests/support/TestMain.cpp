// Entry point of every test program: a Qt application on the offscreen platform, then GoogleTest.
#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "core/NumberFormat.h"

int main(int argc, char** argv)
{
    // Widget logic needs no screen; tests that need X talk to $DISPLAY directly.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's own Tolvane.conf must neither steer the tests nor be written by them; the
    // programs the tests start inherit the folder.
    QTemporaryDir configFolder;
    qputenv("XDG_CONFIG_HOME", configFolder.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    InitDecimalSeparatorFromLocale();
    return RUN_ALL_TESTS();
}
