// Each installed command answers --version with its name and the version, and starts nothing.
#include <gtest/gtest.h>

#include <string>

#include "support/ChildProcess.h"

namespace {

TEST(Versions, EachCommandPrintsItsNameAndVersionAndExits)
{
    for (const char* program : {"tolvane", "tolvane-bridge"}) {
        // Without a display: the answer must not need one.
        TChildOptions options;
        options.Environment.remove(QStringLiteral("DISPLAY"));
        options.Environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        options.Environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        TChildProcess command(BuiltProgram(program), {QStringLiteral("--version")}, options);
        ASSERT_TRUE(command.WaitForExit(10000)) << program;
        EXPECT_EQ(command.ExitCode(), 0) << program << ": " << command.ErrorOutput();
        EXPECT_EQ(command.Output(), std::string(program) + " " + TOLVANE_VERSION + "\n");
    }
}

}  // namespace
