// Where Tolvane.conf lives on Windows: the user's roaming application data, and never the XDG folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ReadbackSetting.h"

namespace {

TEST(ReadbackSettingTest, PathIsInTheRoamingApplicationData)
{
    const std::string roaming = R"(C:\Users\op\AppData\Roaming)";
    // Compared as paths: Windows takes '/' and '\' alike between the parts.
    EXPECT_EQ(std::filesystem::path(ReadbackSettingPath({{"APPDATA", roaming}, {"XDG_CONFIG_HOME", "/x/conf"}})),
              std::filesystem::path(roaming + R"(\Tolvane\Tolvane.conf)"));
    EXPECT_EQ(ReadbackSettingPath({{"XDG_CONFIG_HOME", "/x/conf"}, {"HOME", "/home/op"}}), "");
    EXPECT_EQ(ReadbackSettingPath({}), "");
}

}  // namespace
