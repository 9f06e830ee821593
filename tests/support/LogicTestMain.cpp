// Entry point of the logic test programs, which link no GUI library: a Qt core application, then GoogleTest.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include "core/NumberFormat.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    InitDecimalSeparatorFromLocale();
    return RUN_ALL_TESTS();
}
