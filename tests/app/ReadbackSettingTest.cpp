// Tolvane.conf: what reads as on, and a rewrite that keeps the user's other lines.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>

#include "app/ReadbackSetting.h"
#include "support/TestFiles.h"

namespace {

void Write(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteTestFile(path, text);
}

TEST(ReadbackSettingTest, OnlyTrueInTheHeadingSectionReadsAsOn)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/Tolvane/Tolvane.conf";
    struct Row {
        const char* Name;
        const char* Text;  // nullptr: no file
        bool On;
    };
    const Row rows[] = {
        {"no file", nullptr, false},
        {"on", "[heading]\nreadback=true\n", true},
        {"off", "[heading]\nreadback=false\n", false},
        {"CR LF and blanks", "[heading]\r\n  readback = true \r\n", true},
        {"another section's key", "[other]\nreadback=true\n[heading]\n", false},
        {"not a boolean", "[heading]\nreadback=yes\n", false},
        {"binary junk", "\x01\xff[heading\nreadback", false},
    };
    for (const Row& row : rows) {
        std::filesystem::remove(path);
        if (row.Text)
            Write(path, row.Text);
        EXPECT_EQ(ReadReadbackSetting(path), row.On) << row.Name;
    }
    std::filesystem::remove(path);
    std::filesystem::create_directories(path);
    EXPECT_FALSE(ReadReadbackSetting(path)) << "a folder where the file should be";
}

TEST(ReadbackSettingTest, WritingCreatesTheFolderAndKeepsOtherLines)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/new/Tolvane/Tolvane.conf";
    ASSERT_TRUE(WriteReadbackSetting(path, true));
    EXPECT_EQ(ReadTestFile(path), "[heading]\nreadback=true\n");
    EXPECT_TRUE(ReadReadbackSetting(path));

    Write(path, "# mine\n[heading]\nother=1\n\n[more]\nreadback=true\n");
    ASSERT_TRUE(WriteReadbackSetting(path, true));
    EXPECT_EQ(ReadTestFile(path), "# mine\n[heading]\nother=1\nreadback=true\n\n[more]\nreadback=true\n");
    ASSERT_TRUE(WriteReadbackSetting(path, false));
    EXPECT_EQ(ReadTestFile(path), "# mine\n[heading]\nother=1\nreadback=false\n\n[more]\nreadback=true\n");
    EXPECT_FALSE(ReadReadbackSetting(path));

    EXPECT_FALSE(WriteReadbackSetting(folder.path().toStdString() + "/new/Tolvane/Tolvane.conf/x", true))
        << "a file where the folder should be";
}

}  // namespace
