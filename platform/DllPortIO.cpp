// The printer-port contract over IOCtrl.dll, loaded at run time from the program's folder.
#include "platform/PortIO.h"

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

namespace {

// IOCtrl.dll's six exports as this program calls them. x64 has one calling convention, so there is
// no __stdcall to name. Arguments are passed 32 bits wide, zero-extended, and only the low part of a
// result is read: that suits a library written with 16-bit words and one-byte booleans as well as
// one written with 32-bit integers and BOOL.
using GetLPTPortAddressFunction = std::uint16_t (*)(std::int32_t port);  // port 1..3; 0 = none
using IsWinNTFunction = std::uint8_t (*)();                              // nonzero = true
using EnablePortsFunction = void (*)(std::uint32_t first, std::uint32_t last);
using DisablePortsFunction = void (*)(std::uint32_t first, std::uint32_t last);
using OutportFunction = void (*)(std::uint32_t address, std::int32_t value);
using GetLastStateFunction = void (*)(char* text);  // fills 255 bytes at most, NUL-terminated

constexpr std::size_t StateTextSize = 255;

// The folder of the running program, with its trailing backslash; empty when it cannot be told.
std::wstring ProgramFolder()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            const std::wstring file(path.data(), length);
            const std::size_t slash = file.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash + 1);
        }
        // Cut short: try a longer buffer (long paths reach 32767 characters).
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

template <typename Function>
bool Resolve(HMODULE library, const char* name, Function& function)
{
    // GetProcAddress gives a generic function pointer; the types above say what each export is.
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
    return function != nullptr;
}

class TDllPortIO final : public IPortIO {
public:
    TDllPortIO() { Load(); }

    ~TDllPortIO() override
    {
        if (Library)
            ::FreeLibrary(Library);
    }

    TDllPortIO(const TDllPortIO&) = delete;
    TDllPortIO& operator=(const TDllPortIO&) = delete;

    std::uint16_t GetLPTPortAddress(int n) override
    {
        return Library ? Functions.GetLPTPortAddress(n) : 0;
    }

    bool IsWinNT() override { return Library && Functions.IsWinNT() != 0; }

    void EnablePorts(std::uint16_t first, std::uint16_t last) override
    {
        if (Library)
            Functions.EnablePorts(first, last);
    }

    void DisablePorts(std::uint16_t first, std::uint16_t last) override
    {
        if (Library)
            Functions.DisablePorts(first, last);
    }

    void Outport(std::uint16_t address, int value) override
    {
        if (Library)
            Functions.Outport(address, value);
    }

    std::string GetLastState() override
    {
        if (!Library)
            return LoadFailure;
        // One byte more than the library may fill, always NUL: its text is not trusted to end.
        char text[StateTextSize + 1] = {};
        Functions.GetLastState(text);
        text[StateTextSize] = '\0';
        return std::string(text, ::strnlen(text, StateTextSize));
    }

private:
    struct TFunctions {
        GetLPTPortAddressFunction GetLPTPortAddress = nullptr;
        IsWinNTFunction IsWinNT = nullptr;
        EnablePortsFunction EnablePorts = nullptr;
        DisablePortsFunction DisablePorts = nullptr;
        OutportFunction Outport = nullptr;
        GetLastStateFunction GetLastState = nullptr;
    };

    // Leaves Library null and LoadFailure said when the library is missing or incomplete. The texts
    // name no path: a folder called "success" must not pass for a successful write.
    void Load()
    {
        const std::wstring folder = ProgramFolder();
        if (folder.empty()) {
            LoadFailure = "IOCtrl.dll not loaded: the program's folder is unknown";
            return;
        }
        const HMODULE library = ::LoadLibraryW((folder + L"IOCtrl.dll").c_str());
        if (!library) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND)
                LoadFailure = "IOCtrl.dll not found beside the program";
            else if (error == ERROR_BAD_EXE_FORMAT)
                LoadFailure = "IOCtrl.dll is not a 64-bit library";
            else
                LoadFailure = "IOCtrl.dll not loaded: error " + std::to_string(error);
            return;
        }
        TFunctions functions;
        const char* missing = nullptr;
        if (!Resolve(library, "GetLPTPortAddress", functions.GetLPTPortAddress))
            missing = "GetLPTPortAddress";
        else if (!Resolve(library, "IsWinNT", functions.IsWinNT))
            missing = "IsWinNT";
        else if (!Resolve(library, "EnablePorts", functions.EnablePorts))
            missing = "EnablePorts";
        else if (!Resolve(library, "DisablePorts", functions.DisablePorts))
            missing = "DisablePorts";
        else if (!Resolve(library, "Outport", functions.Outport))
            missing = "Outport";
        else if (!Resolve(library, "GetLastState", functions.GetLastState))
            missing = "GetLastState";
        if (missing) {
            ::FreeLibrary(library);
            LoadFailure = std::string("IOCtrl.dll lacks ") + missing;
            return;
        }
        Library = library;
        Functions = functions;
    }

    HMODULE Library = nullptr;
    TFunctions Functions;
    std::string LoadFailure;
};

}  // namespace

std::unique_ptr<IPortIO> CreatePortIO()
{
    return std::make_unique<TDllPortIO>();
}
