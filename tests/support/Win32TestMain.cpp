// Entry point of the Windows test programs: a Qt application on the windows platform (Qt for Windows
// has no offscreen one; the run gives them a private X server under Wine), then GoogleTest.
#include <QApplication>
#include <gtest/gtest.h>

#include "core/NumberFormat.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    InitDecimalSeparatorFromLocale();
    return RUN_ALL_TESTS();
}
