// The start-up tests' fixture: a temporary folder as the working folder, the one before it restored.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>

// The working folder with links and short names resolved, '/' between its parts on every platform.
inline std::string CurrentFolder()
{
    return QDir::current().canonicalPath().toStdString();
}

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SavedFolder = QDir::currentPath();
        ASSERT_TRUE(Folder.isValid());
        ASSERT_TRUE(QDir::setCurrent(Folder.path()));
    }
    void TearDown() override { EXPECT_TRUE(QDir::setCurrent(SavedFolder)); }

    // The temporary folder as CurrentFolder names it once entered.
    std::string HomeFolder() const { return QFileInfo(Folder.path()).canonicalFilePath().toStdString(); }

    QTemporaryDir Folder;
    QString SavedFolder;
};
