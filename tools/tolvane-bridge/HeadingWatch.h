// Tolvane's heading on the session bus as the bridge follows it: the latest reading of the name's owner.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "RotctlProtocol.h"

struct DBusConnection;
struct DBusMessage;
struct DBusMessageIter;
struct DBusPendingCall;
class TDBusEventLoop;

// Watches org.tolvane.Tolvane on the thread's event loop: who owns it, its properties when an owner
// appears (asked without waiting), and its PropertiesChanged. Every message is hostile: it counts only
// from the owner, with Azimuth a double in 0 <= az < 360, Updated a uint64 and Known a boolean.
class THeadingWatch {
public:
    // Follows the bus at busAddress; empty means the session bus.
    explicit THeadingWatch(std::string busAddress = {});
    ~THeadingWatch();
    THeadingWatch(const THeadingWatch&) = delete;
    THeadingWatch& operator=(const THeadingWatch&) = delete;

    // Connects and starts watching; false without a session bus.
    bool Start();
    // What the owner last said, from memory; none while nobody owns the name or before it said anything.
    const std::optional<TRotctlProtocol::TReadBack>& Latest() const { return ReadBack; }

    // The read-back in the a{sv} at `properties`: none when a property has the wrong type, Azimuth is
    // out of range, or a reading is needed (Known true or missing) and incomplete.
    static std::optional<TRotctlProtocol::TReadBack> ReadProperties(DBusMessageIter* properties);

private:
    // libdbus's callbacks, whose result type the header cannot name.
    friend struct THeadingWatchHandlers;

    void OwnerChanged(const std::string& owner);
    void AskProperties();
    // Takes a{sv} when ReadProperties accepts it; anything else leaves the read-back as it was.
    void Take(DBusMessageIter* properties);
    void Cancel(DBusPendingCall*& call);

    const std::string BusAddress;
    DBusConnection* Connection = nullptr;
    std::unique_ptr<TDBusEventLoop> Loop;
    std::string Owner;  // unique name; empty while nobody owns the name
    std::optional<TRotctlProtocol::TReadBack> ReadBack;
    DBusPendingCall* OwnerQuery = nullptr;
    DBusPendingCall* PropertiesQuery = nullptr;
};
