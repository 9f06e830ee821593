// ioctrl-standin: a test stand-in for IOCtrl.dll that logs every call and touches no hardware.
//
// Copied beside Tolvane.exe (or a test program) under the name IOCtrl.dll, it exports the six functions
// Tolvane calls, typed as Tolvane calls them. Nothing reaches a port: each call is appended as one line
// to the file named by TOLVANE_IOCTRL_LOG (no log when unset), opened and closed per line so that a
// reader sees every line at once and the DLL holds no handle between calls. Lines end in LF alone:
//   GetLPTPortAddress 1 = 888
//   IsWinNT = 1
//   EnablePorts 888 888
//   DisablePorts 888 888
//   Outport 888 85
//   GetLastState = Outport 888 85: success
// Numbers are decimal, the value of Outport signed and exactly as passed.
//
// TOLVANE_IOCTRL_PORTS lists the base addresses of LPT1 to LPT3 (888 or 0x378, as C reads numbers),
// 0 or missing meaning absent, e.g. "888 0 0"; unset, the ports are 0x378, 0x278 and 0x3BC.
// The state text names the last call and says "success": with no hardware, nothing can fail.
// TOLVANE_IOCTRL_STATE, when set, is the state text instead, a failing one for instance. One of 255
// bytes or more fills the whole buffer with no room for the NUL, as a careless library would: the
// caller has to bound it.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD StateBufferSize = 255;  // the caller's buffer, as the library documents it
constexpr int PortCount = 3;
constexpr std::uint16_t DefaultPorts[PortCount] = {0x378, 0x278, 0x3BC};

// Large enough for any environment variable's value (32767 characters and the NUL). One buffer for
// all: each value is used up before the next is read.
char EnvironmentValue[32768];

char LastCall[96] = "no call yet";

// The variable's value, or null when it is unset (or, impossibly, longer than any value can be).
const char* Environment(const char* name)
{
    const DWORD length = ::GetEnvironmentVariableA(name, EnvironmentValue, sizeof EnvironmentValue);
    if (length == 0 || length >= sizeof EnvironmentValue)
        return nullptr;
    return EnvironmentValue;
}

void Log(const char* line)
{
    const char* path = Environment("TOLVANE_IOCTRL_LOG");
    if (!path)
        return;
    const HANDLE file = ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "ioctrl-standin: cannot open the log %s (error %lu)\n", path, ::GetLastError());
        return;
    }
    char text[StateBufferSize + 64];
    const int length = std::snprintf(text, sizeof text, "%s\n", line);
    DWORD written = 0;
    if (!::WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr)
        || written != static_cast<DWORD>(length))
        std::fprintf(stderr, "ioctrl-standin: cannot write the log %s (error %lu)\n", path, ::GetLastError());
    ::CloseHandle(file);
}

// A call that does something: logged, and remembered for the state text.
void Called(const char* line)
{
    std::snprintf(LastCall, sizeof LastCall, "%s", line);
    Log(line);
}

void LoadPorts(std::uint16_t ports[PortCount])
{
    const char* text = Environment("TOLVANE_IOCTRL_PORTS");
    for (int i = 0; i < PortCount; ++i)
        ports[i] = text ? 0 : DefaultPorts[i];
    if (!text)
        return;
    for (int i = 0; i < PortCount; ++i) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(text, &end, 0);
        if (end == text)
            break;
        ports[i] = value <= 0xFFFF ? static_cast<std::uint16_t>(value) : 0;
        text = end;
    }
}

}  // namespace

extern "C" {

__declspec(dllexport) std::uint16_t GetLPTPortAddress(std::int32_t port)
{
    std::uint16_t ports[PortCount];
    LoadPorts(ports);
    const std::uint16_t address = port >= 1 && port <= PortCount ? ports[port - 1] : 0;
    char line[64];
    std::snprintf(line, sizeof line, "GetLPTPortAddress %ld = %u", static_cast<long>(port), address);
    Called(line);
    return address;
}

__declspec(dllexport) std::uint8_t IsWinNT()
{
    Called("IsWinNT = 1");
    return 1;
}

__declspec(dllexport) void EnablePorts(std::uint32_t first, std::uint32_t last)
{
    char line[64];
    std::snprintf(line, sizeof line, "EnablePorts %lu %lu", static_cast<unsigned long>(first),
                  static_cast<unsigned long>(last));
    Called(line);
}

__declspec(dllexport) void DisablePorts(std::uint32_t first, std::uint32_t last)
{
    char line[64];
    std::snprintf(line, sizeof line, "DisablePorts %lu %lu", static_cast<unsigned long>(first),
                  static_cast<unsigned long>(last));
    Called(line);
}

__declspec(dllexport) void Outport(std::uint32_t address, std::int32_t value)
{
    char line[64];
    std::snprintf(line, sizeof line, "Outport %lu %ld", static_cast<unsigned long>(address), static_cast<long>(value));
    Called(line);
}

__declspec(dllexport) void GetLastState(char* text)
{
    char state[StateBufferSize];
    if (const char* given = Environment("TOLVANE_IOCTRL_STATE")) {
        const std::size_t length = std::strlen(given);
        std::memcpy(text, given, length < StateBufferSize ? length + 1 : StateBufferSize);
        std::snprintf(state, sizeof state, "%s", given);
    } else {
        std::snprintf(state, sizeof state, "%s: success", LastCall);
        std::memcpy(text, state, std::strlen(state) + 1);
    }
    char line[StateBufferSize + 32];
    std::snprintf(line, sizeof line, "GetLastState = %s", state);
    Log(line);
}

}  // extern "C"
