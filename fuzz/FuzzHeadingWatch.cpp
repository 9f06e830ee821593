// Fuzz target: the bridge's reading of Tolvane's heading properties, a{sv} as any peer on the bus may send it.
#include <dbus/dbus.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "HeadingWatch.h"

namespace {

// Reads bytes off the input, zeros once it is used up.
struct TInput {
    const uint8_t* Data;
    size_t Size;

    uint8_t Byte() { return Size > 0 ? (--Size, *Data++) : 0; }
    template <typename T>
    T Value()
    {
        T value{};
        const size_t count = Size < sizeof value ? Size : sizeof value;
        std::memcpy(&value, Data, count);
        Data += count;
        Size -= count;
        return value;
    }
};

void Check(const std::optional<TRotctlProtocol::TReadBack>& readBack)
{
    if (!readBack)
        return;
    if (readBack->Heading) {
        const double azimuth = readBack->Heading->Azimuth;
        if (!std::isfinite(azimuth) || azimuth < 0 || azimuth >= 360) {
            std::fprintf(stderr, "heading taken: %.17g\n", azimuth);
            std::abort();
        }
    } else if (readBack->Known.value_or(true)) {
        std::fprintf(stderr, "a heading said known, or an older Tolvane's, without a reading\n");
        std::abort();
    }
}

void ReadMessage(DBusMessage* message)
{
    DBusMessageIter arguments;
    if (dbus_message_has_signature(message, "a{sv}") && dbus_message_iter_init(message, &arguments))
        Check(THeadingWatch::ReadProperties(&arguments));
    // PropertiesChanged: the interface name comes first.
    if (dbus_message_has_signature(message, "sa{sv}as") && dbus_message_iter_init(message, &arguments) &&
        dbus_message_iter_next(&arguments))
        Check(THeadingWatch::ReadProperties(&arguments));
}

// An a{sv} whose names and value types the input chooses: the properties Tolvane sends, with the
// types a hostile peer may put in their place.
DBusMessage* BuiltMessage(TInput& input)
{
    static const char* const Names[] = {"Azimuth", "Updated", "Known", "Other", "", "azimuth"};
    DBusMessage* message = dbus_message_new_signal("/org/tolvane/Tolvane", "org.freedesktop.DBus.Properties", "PropertiesChanged");
    if (!message)
        return nullptr;
    DBusMessageIter arguments;
    DBusMessageIter entries;
    dbus_message_iter_init_append(message, &arguments);
    dbus_message_iter_open_container(&arguments, DBUS_TYPE_ARRAY, "{sv}", &entries);
    for (int count = input.Byte() % 8; count > 0; --count) {
        const uint8_t choice = input.Byte();
        const char* const name = Names[choice % (sizeof Names / sizeof *Names)];
        DBusMessageIter entry;
        DBusMessageIter value;
        dbus_message_iter_open_container(&entries, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &name);
        switch (input.Byte() % 7) {
        case 0: {
            const double number = input.Value<double>();
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "d", &value);
            dbus_message_iter_append_basic(&value, DBUS_TYPE_DOUBLE, &number);
            break;
        }
        case 1: {
            const dbus_uint64_t number = input.Value<dbus_uint64_t>();
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "t", &value);
            dbus_message_iter_append_basic(&value, DBUS_TYPE_UINT64, &number);
            break;
        }
        case 2: {
            // libdbus refuses any boolean but 0 and 1 before it is sent.
            const dbus_bool_t flag = input.Byte() & 1;
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "b", &value);
            dbus_message_iter_append_basic(&value, DBUS_TYPE_BOOLEAN, &flag);
            break;
        }
        case 3: {
            const dbus_int32_t number = input.Value<dbus_int32_t>();
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "i", &value);
            dbus_message_iter_append_basic(&value, DBUS_TYPE_INT32, &number);
            break;
        }
        case 4: {
            const unsigned char number = input.Byte();
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "y", &value);
            dbus_message_iter_append_basic(&value, DBUS_TYPE_BYTE, &number);
            break;
        }
        case 5: {
            const char* const text = "true";
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "s", &value);
            dbus_message_iter_append_basic(&value, DBUS_TYPE_STRING, &text);
            break;
        }
        default: {
            // A variant in the variant.
            DBusMessageIter inner;
            const double number = input.Value<double>();
            dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "v", &value);
            dbus_message_iter_open_container(&value, DBUS_TYPE_VARIANT, "d", &inner);
            dbus_message_iter_append_basic(&inner, DBUS_TYPE_DOUBLE, &number);
            dbus_message_iter_close_container(&value, &inner);
            break;
        }
        }
        dbus_message_iter_close_container(&entry, &value);
        dbus_message_iter_close_container(&entries, &entry);
    }
    dbus_message_iter_close_container(&arguments, &entries);
    return message;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    TInput input{data + 1, size - 1};
    // Odd first byte: the rest is a whole message in D-Bus's wire format, as the bus hands it over.
    DBusMessage* message = nullptr;
    if (data[0] & 1)
        message = dbus_message_demarshal(reinterpret_cast<const char*>(input.Data), static_cast<int>(input.Size), nullptr);
    else
        message = BuiltMessage(input);
    if (!message)
        return 0;
    ReadMessage(message);
    dbus_message_unref(message);
    return 0;
}
