// The configuration file tests' fixture: a fresh temporary working folder, the point as separator,
// the default settings, and a test's own look at the bytes and the files it leaves.
#pragma once

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "app/ConfigFile.h"
#include "core/NumberFormat.h"
#include "core/StationSettings.h"
#include "platform/FileSystem.h"
#include "support/TestFiles.h"

class ConfigFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StationSettings = {};
        SavedSeparator = DecimalSeparator;
        DecimalSeparator = '.';
        SavedFolder = QDir::currentPath();
        ASSERT_TRUE(Folder.isValid());
        ASSERT_TRUE(QDir::setCurrent(Folder.path()));
    }
    void TearDown() override
    {
        StationSettings = {};
        DecimalSeparator = SavedSeparator;
        // Let the temporary folder be cleaned up whatever a test left read-only.
        std::error_code ignored;
        std::filesystem::permissions(".", std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        ApplyFileAttributes(ConfigFileName, TFileAttributes::Archive);
        ApplyFileAttributes(ConfigTemporaryFileName, TFileAttributes::Archive);
        EXPECT_TRUE(QDir::setCurrent(SavedFolder));
    }

    static std::string ReadBytes(const char* name) { return ReadTestFile(name); }
    static void WriteBytes(const char* name, const std::string& bytes) { WriteTestFile(name, bytes); }
    // A dangling link counts: the name is taken.
    static bool Exists(const char* name)
    {
        std::error_code error;
        const std::filesystem::file_type type = std::filesystem::symlink_status(name, error).type();
        return type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none;
    }
    static bool AnyoneMayWrite(const char* name)
    {
        using std::filesystem::perms;
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::status(name, error);
        return !error && (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) !=
                             perms::none;
    }

    QTemporaryDir Folder;
    QString SavedFolder;
    char SavedSeparator = '.';
};

inline const TWindowBounds DesignBounds = {288, 102, 400, 127};
