// Fakes of the main window's desktop services and a printer port that logs into a shared order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/PlatformServices.h"
#include "support/SimulatedPortIO.h"

// One line per observed call, in the order the calls happened, across all fakes.
using TCallLog = std::vector<std::string>;

// A simulated printer port whose calls also go into a shared log.
class TLoggingPortIO final : public IPortIO {
public:
    explicit TLoggingPortIO(std::shared_ptr<TCallLog> log) : Log(std::move(log)) {}
    std::uint16_t GetLPTPortAddress(int n) override { return Port.GetLPTPortAddress(n); }
    bool IsWinNT() override { return Port.IsWinNT(); }
    void EnablePorts(std::uint16_t first, std::uint16_t last) override;
    void DisablePorts(std::uint16_t first, std::uint16_t last) override;
    void Outport(std::uint16_t address, int value) override;
    std::string GetLastState() override { return Port.GetLastState(); }

    TSimulatedPortIO Port;

private:
    std::shared_ptr<TCallLog> Log;
};

// ARSWIN as a table: a window is found when FoundWindow is not 0.
class TFakeWindowMessages final : public IWindowMessages {
public:
    explicit TFakeWindowMessages(std::shared_ptr<TCallLog> log) : Log(std::move(log)) {}
    TWindowHandle FindWindowA(const std::string& className, const std::string& title) override;
    std::uint32_t RegisterWindowMessageA(const std::string& name) override;
    bool PostMessageA(TWindowHandle window, std::uint32_t message, std::int32_t wParam,
                      std::int32_t lParam) override;

    TWindowHandle FoundWindow = 0;
    std::uint32_t MessageId = 0xC123;

private:
    std::shared_ptr<TCallLog> Log;
};

// A feed conversation that opens when Reachable, delivers Value on SetItemName, and logs.
class TFakeDdeClientConv final : public IDdeClientConv {
public:
    explicit TFakeDdeClientConv(std::shared_ptr<TCallLog> log) : Log(std::move(log)) {}
    bool SetLink(const std::string& service, const std::string& topic) override;
    bool SetItemName(const std::string& item) override;
    void CloseLink() override;
    bool IsOpen() const override { return Open; }

    bool Reachable = false;
    std::string Value;
    bool Open = false;

private:
    std::shared_ptr<TCallLog> Log;
};

// The heading's publisher as a list of what it was told: "Publish 123.4", "PublishUnknown", "Withdraw".
class TFakeHeadingPublisher final : public IHeadingPublisher {
public:
    void Publish(double azimuth, std::uint64_t updatedMs) override;
    void PublishUnknown() override { Calls.push_back("PublishUnknown"); }
    void Withdraw() override { Calls.push_back("Withdraw"); }

    std::vector<std::string> Calls;
};

// The three fakes bundled for a TForm1, with the pointers kept for the test to inspect.
struct TFakeServices {
    std::shared_ptr<TCallLog> Log = std::make_shared<TCallLog>();
    TLoggingPortIO* PortIO = nullptr;
    TFakeWindowMessages* WindowMessages = nullptr;
    TFakeDdeClientConv* DdeClientConv = nullptr;
    TFakeHeadingPublisher* HeadingPublisher = nullptr;

    // Hands the fakes over to the window; the pointers above stay valid as long as it lives.
    TPlatformServices Take();
};
