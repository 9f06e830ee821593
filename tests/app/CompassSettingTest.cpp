// The compass window in Tolvane.conf: its place and whether it was open, beside the heading switch.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>

#include "app/CompassSetting.h"
#include "app/ReadbackSetting.h"
#include "support/TestFiles.h"

namespace {

void Write(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteTestFile(path, text);
}

TEST(CompassSettingTest, ShownAndPlaceGoRoundInOneSectionBesideTheOtherLines)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/Tolvane/Tolvane.conf";
    EXPECT_FALSE(ReadCompassSetting(path).Shown) << "no file: never opened";
    EXPECT_FALSE(ReadCompassSetting(path).Bounds);

    Write(path, "# mine\n[heading]\nreadback=true\n");
    ASSERT_TRUE(WriteCompassSetting(path, {true, TWindowBounds{-20, 30, 640, 480}}));
    EXPECT_EQ(ReadTestFile(path), "# mine\n[heading]\nreadback=true\n\n[compass]\nshown=true\ngeometry=-20,30,640,480\n");
    const TCompassSetting read = ReadCompassSetting(path);
    EXPECT_TRUE(read.Shown);
    ASSERT_TRUE(read.Bounds);
    EXPECT_EQ(*read.Bounds, (TWindowBounds{-20, 30, 640, 480}));
    EXPECT_TRUE(ReadReadbackSetting(path)) << "the switch is kept";

    // Without a place the old one stays; the switch's own rewrite keeps the compass.
    ASSERT_TRUE(WriteCompassSetting(path, {false, std::nullopt}));
    ASSERT_TRUE(WriteReadbackSetting(path, false));
    EXPECT_EQ(ReadTestFile(path), "# mine\n[heading]\nreadback=false\n\n[compass]\nshown=false\ngeometry=-20,30,640,480\n");
    EXPECT_FALSE(ReadCompassSetting(path).Shown);
    EXPECT_TRUE(ReadCompassSetting(path).Bounds);
}

TEST(CompassSettingTest, MalformedValuesReadAsNeverOpenedOrNoPlace)
{
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/Tolvane/Tolvane.conf";
    struct Row {
        const char* Name;
        const char* Text;
        bool Shown;
        bool HasBounds;
    };
    const Row rows[] = {
        {"both good", "[compass]\nshown=true\ngeometry=1,2,300,300\n", true, true},
        {"blanks and CR LF", "[compass]\r\n shown = true \r\n geometry = 1,2,300,300 \r\n", true, true},
        {"another section", "[heading]\nshown=true\ngeometry=1,2,300,300\n", false, false},
        {"not a boolean", "[compass]\nshown=1\n", false, false},
        {"three numbers", "[compass]\nshown=true\ngeometry=1,2,300\n", true, false},
        {"five numbers", "[compass]\nshown=true\ngeometry=1,2,300,300,5\n", true, false},
        {"a blank inside", "[compass]\nshown=true\ngeometry=1, 2,300,300\n", true, false},
        {"no size", "[compass]\nshown=true\ngeometry=1,2,0,300\n", true, false},
        {"negative size", "[compass]\nshown=true\ngeometry=1,2,300,-300\n", true, false},
        {"huge", "[compass]\nshown=true\ngeometry=1,2,99999999999,300\n", true, false},
        {"far off", "[compass]\nshown=true\ngeometry=900000,2,300,300\n", true, false},
        {"letters", "[compass]\nshown=true\ngeometry=1,2,3OO,300\n", true, false},
        {"empty", "[compass]\nshown=true\ngeometry=\n", true, false},
        {"binary junk", "\x01\xff[compass]\ngeometry=\xfe,\x80\n", false, false},
    };
    for (const Row& row : rows) {
        Write(path, row.Text);
        const TCompassSetting setting = ReadCompassSetting(path);
        EXPECT_EQ(setting.Shown, row.Shown) << row.Name;
        EXPECT_EQ(setting.Bounds.has_value(), row.HasBounds) << row.Name;
    }
}

TEST(CompassSettingTest, APlaceCountsOnlyWhenEnoughOfItIsOnAScreen)
{
    const std::vector<TWindowBounds> screens{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    struct Row {
        const char* Name;
        TWindowBounds Bounds;
        bool Meets;
    };
    const Row rows[] = {
        {"inside the first", {100, 100, 300, 300}, true},
        {"on the second", {2500, 500, 300, 300}, true},
        {"across both", {1800, 100, 300, 300}, true},
        {"a corner left on screen", {-260, -260, 300, 300}, true},
        {"too little left on screen", {-270, 100, 300, 300}, false},
        {"below the second", {2500, 1030, 300, 300}, false},
        {"right of everything", {3300, 100, 300, 300}, false},
        {"far above", {100, -5000, 300, 300}, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BoundsMeetAScreen(row.Bounds, screens), row.Meets) << row.Name;
    EXPECT_FALSE(BoundsMeetAScreen({100, 100, 300, 300}, {})) << "no screen at all";
}

}  // namespace
