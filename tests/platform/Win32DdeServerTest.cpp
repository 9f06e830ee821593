// The DDE server's one question that needs no client of its own: whether another program serves.
// Under Wine a DDEML client and server of one process answer each other's transactions out of turn,
// so the serving itself is tested across processes, with Tolvane.exe serving its heading.
#include <gtest/gtest.h>

#include "platform/DdemlServer.h"
#include "support/ChildProcess.h"

namespace {

TEST(DdeServerTest, AnotherProgramServingTheServiceIsSeen)
{
    TDdemlServer server("Teskarn", "azimuth");
    EXPECT_FALSE(server.ServedElsewhere());
    TChildProcess teskarn(BuiltProgram("teskarn-dde"));
    ASSERT_TRUE(teskarn.WaitForOutput("ready", 10000)) << teskarn.ErrorOutput();
    EXPECT_TRUE(server.ServedElsewhere());
}

}  // namespace
