// The fixture of every end-to-end test: a fresh desktop, and what the user saw printed when a test fails.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e/TolvaneDesktop.h"

class TolvaneE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        Desktop = std::make_unique<TTolvaneDesktop>();
        ASSERT_TRUE(Desktop->IsReady()) << "no private X server, session bus or folder";
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cout << Desktop->Report() << std::flush;
        Desktop.reset();
    }

    // The line the rotator simulator prints for a command it received, e.g. RX "W090\r".
    static std::string Received(const std::string& command)
    {
        std::string escaped;
        for (const char c : command)
            escaped += c == '\r' ? std::string("\\r") : std::string(1, c);
        return "RX \"" + escaped + "\"";
    }

    // The commands the simulator received, in order, as it printed them.
    static std::vector<std::string> ReceivedCommands(TChildProcess& rotator)
    {
        std::vector<std::string> commands;
        std::istringstream lines(rotator.Output());
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("RX ", 0) == 0)
                commands.push_back(line);
        return commands;
    }

    static constexpr int CommandWaitMs = 10000;

    std::unique_ptr<TTolvaneDesktop> Desktop;
};
