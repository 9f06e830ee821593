// Fakes of the main window's desktop services, all logging into one ordered call log.
#include "support/FakeServices.h"

#include <filesystem>
#include <sstream>

namespace {
// Each entry tells whether Tolvane.ini existed at that moment, so tests can see when it was saved.
void Note(TCallLog& log, const std::string& entry)
{
    log.push_back(std::filesystem::exists("Tolvane.ini") ? entry + " [saved]" : entry);
}
}  // namespace

void TLoggingPortIO::EnablePorts(std::uint16_t first, std::uint16_t last)
{
    Note(*Log, "EnablePorts " + std::to_string(first) + " " + std::to_string(last));
    Port.EnablePorts(first, last);
}

void TLoggingPortIO::DisablePorts(std::uint16_t first, std::uint16_t last)
{
    Note(*Log, "DisablePorts " + std::to_string(first) + " " + std::to_string(last));
    Port.DisablePorts(first, last);
}

void TLoggingPortIO::Outport(std::uint16_t address, int value)
{
    Note(*Log, "Outport " + std::to_string(address) + " " + std::to_string(value));
    Port.Outport(address, value);
}

TWindowHandle TFakeWindowMessages::FindWindowA(const std::string& className, const std::string& title)
{
    Note(*Log, "FindWindow " + className + " " + title);
    return FoundWindow;
}

std::uint32_t TFakeWindowMessages::RegisterWindowMessageA(const std::string& name)
{
    Note(*Log, "RegisterWindowMessage " + name);
    return MessageId;
}

bool TFakeWindowMessages::PostMessageA(TWindowHandle window, std::uint32_t message, std::int32_t wParam,
                                       std::int32_t lParam)
{
    Note(*Log, "PostMessage " + std::to_string(window) + " " + std::to_string(message) + " "
                   + std::to_string(wParam) + " " + std::to_string(lParam));
    return window != 0 && window == FoundWindow;
}

bool TFakeDdeClientConv::SetLink(const std::string& service, const std::string& topic)
{
    Note(*Log, "SetLink " + service + " " + topic);
    if (Open)
        CloseLink();
    if (!Reachable)
        return false;
    Open = true;
    if (OnOpen)
        OnOpen();
    return true;
}

bool TFakeDdeClientConv::SetItemName(const std::string& item)
{
    Note(*Log, "SetItemName " + item);
    if (!Open)
        return false;
    if (OnItemChange && !Value.empty())
        OnItemChange(Value);
    return true;
}

void TFakeDdeClientConv::CloseLink()
{
    Note(*Log, "CloseLink");
    if (!Open)
        return;
    Open = false;
    if (OnClose)
        OnClose();
}

void TFakeHeadingPublisher::Publish(double azimuth, std::uint64_t)
{
    std::ostringstream call;
    call << "Publish " << azimuth;
    Calls.push_back(call.str());
}

TPlatformServices TFakeServices::Take()
{
    TPlatformServices services;
    auto port = std::make_unique<TLoggingPortIO>(Log);
    auto messages = std::make_unique<TFakeWindowMessages>(Log);
    auto dde = std::make_unique<TFakeDdeClientConv>(Log);
    PortIO = port.get();
    WindowMessages = messages.get();
    DdeClientConv = dde.get();
    services.PortIO = std::move(port);
    services.WindowMessages = std::move(messages);
    services.DdeClientConv = std::move(dde);
    auto publisher = std::make_unique<TFakeHeadingPublisher>();
    HeadingPublisher = publisher.get();
    services.HeadingPublisher = std::move(publisher);
    return services;
}
