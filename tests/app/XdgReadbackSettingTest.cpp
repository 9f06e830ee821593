// Where Tolvane.conf lives on Linux: the XDG base-directory rules.
#include <gtest/gtest.h>

#include "app/ReadbackSetting.h"

namespace {

TEST(ReadbackSettingTest, PathFollowsTheBaseDirectoryRules)
{
    EXPECT_EQ(ReadbackSettingPath({{"XDG_CONFIG_HOME", "/x/conf"}, {"HOME", "/home/op"}}), "/x/conf/Tolvane/Tolvane.conf");
    EXPECT_EQ(ReadbackSettingPath({{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/op"}}),
              "/home/op/.config/Tolvane/Tolvane.conf");
    EXPECT_EQ(ReadbackSettingPath({{"XDG_CONFIG_HOME", "relative"}, {"HOME", "/home/op"}}),
              "/home/op/.config/Tolvane/Tolvane.conf");
    EXPECT_EQ(ReadbackSettingPath({}), "");
}

}  // namespace
