// The azimuth feed's client conversation carried over D-Bus.
#pragma once

#include <memory>
#include <string>

#include "platform/DdeClientConv.h"

// Service S is the bus name "dde.S", topic T the object path "/T", on the interface "dde.Topic"
// (method Request(s item) -> s, signal Changed(s item)).
class TDBusDdeClientConv final : public IDdeClientConv {
public:
    // Talks on the bus at busAddress; empty means $DBUS_SESSION_BUS_ADDRESS as it is now, so a
    // conversation created after the variable changed follows it.
    explicit TDBusDdeClientConv(const std::string& busAddress = {});
    ~TDBusDdeClientConv() override;
    TDBusDdeClientConv(const TDBusDdeClientConv&) = delete;
    TDBusDdeClientConv& operator=(const TDBusDdeClientConv&) = delete;

    bool SetLink(const std::string& service, const std::string& topic) override;
    bool SetItemName(const std::string& item) override;
    void CloseLink() override;
    bool IsOpen() const override;

private:
    class TLink;
    std::unique_ptr<TLink> Link;
};
