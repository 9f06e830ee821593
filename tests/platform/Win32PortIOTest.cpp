// IOCtrl.dll missing or incomplete: the printer ports behave as absent and the state says why; present
// (the logging stand-in in its place): every argument and result crosses the library's boundary intact.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/PortIO.h"
#include "support/TestFiles.h"

namespace {

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    const std::string file(path, length);
    return file.substr(0, file.find_last_of("\\/") + 1);
}

// A library that stands where IOCtrl.dll is looked for, removed again with the test.
class TLibraryInPlace {
public:
    explicit TLibraryInPlace(const std::string& source)
        : Path(ProgramFolder() + "IOCtrl.dll"), Placed(::CopyFileA(source.c_str(), Path.c_str(), TRUE) != 0)
    {
    }
    ~TLibraryInPlace()
    {
        if (Placed)
            ::DeleteFileA(Path.c_str());
    }
    TLibraryInPlace(const TLibraryInPlace&) = delete;
    TLibraryInPlace& operator=(const TLibraryInPlace&) = delete;

    const std::string Path;  // before Placed, which copies to it
    const bool Placed;
};

// Sets a variable of the test process, or removes it (null), for one test.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const char* value) : Name(name)
    {
        // The size with the NUL, so 1 for a variable set to nothing.
        const DWORD size = ::GetEnvironmentVariableA(name, nullptr, 0);
        Old.resize(size);
        Had = size > 0 && ::GetEnvironmentVariableA(name, &Old[0], size) == size - 1;
        Old.resize(Had ? size - 1 : 0);
        ::SetEnvironmentVariableA(name, value);
    }
    ~TScopedVariable() { ::SetEnvironmentVariableA(Name.c_str(), Had ? Old.c_str() : nullptr); }
    TScopedVariable(const TScopedVariable&) = delete;
    TScopedVariable& operator=(const TScopedVariable&) = delete;

private:
    std::string Name;
    std::string Old;
    bool Had = false;
};

std::string TemporaryFile()
{
    char folder[MAX_PATH];
    char file[MAX_PATH];
    if (::GetTempPathA(sizeof folder, folder) == 0 || ::GetTempFileNameA(folder, "ioc", 0, file) == 0)
        return {};
    return file;
}

// The stand-in library in IOCtrl.dll's place, its ports as given (null: its usual three), logging to a
// file of the test's own. A port I/O is made after it, so that the library is unloaded before its file goes.
class TStandInLibrary {
public:
    explicit TStandInLibrary(const char* ports = nullptr, const char* state = nullptr)
        : Library(ProgramFolder() + "ioctrl-standin.dll"), LogPath(TemporaryFile()),
          Log("TOLVANE_IOCTRL_LOG", LogPath.c_str()), Ports("TOLVANE_IOCTRL_PORTS", ports),
          State("TOLVANE_IOCTRL_STATE", state)
    {
    }
    ~TStandInLibrary()
    {
        if (!LogPath.empty())
            ::DeleteFileA(LogPath.c_str());
    }
    TStandInLibrary(const TStandInLibrary&) = delete;
    TStandInLibrary& operator=(const TStandInLibrary&) = delete;

    bool Ready() const { return Library.Placed && !LogPath.empty(); }

    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        const std::string text = ReadTestFile(LogPath);
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end - start));
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }

private:
    TLibraryInPlace Library;
    const std::string LogPath;
    TScopedVariable Log;
    TScopedVariable Ports;
    TScopedVariable State;
};

void ExpectNoPorts(IPortIO& portIO, const std::string& why)
{
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(portIO.GetLPTPortAddress(n), 0) << why << ", LPT" << n;
    EXPECT_FALSE(portIO.IsWinNT()) << why;
    portIO.EnablePorts(0x378, 0x378);
    portIO.Outport(0x378, 0x55);
    portIO.DisablePorts(0x378, 0x378);
    const std::string state = portIO.GetLastState();
    EXPECT_FALSE(state.empty()) << why;
    EXPECT_EQ(state.find("succes"), std::string::npos) << why << ": " << state;
    EXPECT_NE(state.find(why), std::string::npos) << state;
}

}  // namespace

TEST(Win32PortIO, WithoutTheLibraryNoPortExists)
{
    ASSERT_EQ(::GetFileAttributesA((ProgramFolder() + "IOCtrl.dll").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a library left beside the test program";
    const auto portIO = CreatePortIO();
    ExpectNoPorts(*portIO, "not found");
}

TEST(Win32PortIO, ALibraryWithoutTheSixFunctionsCountsAsMissing)
{
    char system[MAX_PATH];
    ASSERT_NE(::GetSystemDirectoryA(system, sizeof system), 0u);
    // Any 64-bit library of the system loads, and exports none of the six.
    TLibraryInPlace library(std::string(system) + "\\version.dll");
    ASSERT_TRUE(library.Placed);
    {
        const auto portIO = CreatePortIO();
        ExpectNoPorts(*portIO, "lacks GetLPTPortAddress");
    }  // unloaded before the file goes
}

TEST(Win32PortIO, EachPrintersPortAddressComesThroughTheLibrary)
{
    struct Row {
        const char* Name;
        const char* Ports;  // null: the stand-in's usual three
        std::uint16_t Expected[3];
    } rows[] = {
        {"the usual three", nullptr, {0x378, 0x278, 0x3BC}},
        {"LPT2 and LPT3 absent", "888 0 0", {888, 0, 0}},
        {"only LPT3", "0 0 956", {0, 0, 956}},
        {"cards above the ISA range", "0xD010 0xFFFC 0x100", {0xD010, 0xFFFC, 0x100}},
    };
    for (const Row& row : rows) {
        TStandInLibrary library(row.Ports);
        ASSERT_TRUE(library.Ready()) << row.Name;
        const auto portIO = CreatePortIO();
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(portIO->GetLPTPortAddress(n), row.Expected[n - 1]) << row.Name << ", LPT" << n;
    }
}

TEST(Win32PortIO, TheLibrarySaysPortsMustBeEnabled)
{
    TStandInLibrary library;
    ASSERT_TRUE(library.Ready());
    const auto portIO = CreatePortIO();
    EXPECT_TRUE(portIO->IsWinNT());
    EXPECT_EQ(library.LogLines(), std::vector<std::string>{"IsWinNT = 1"});
}

TEST(Win32PortIO, EveryWriteAndRangeArrivesExactlyAndInOrder)
{
    enum class Call { Outport, EnablePorts, DisablePorts };
    struct Row {
        const char* Name;
        Call Made;
        std::uint16_t Address;  // the first of a range
        int Second;             // the value, or the last of a range
        const char* Logged;
    } rows[] = {
        {"enable LPT1 as the windows pass it", Call::EnablePorts, 0x378, 0x378, "EnablePorts 888 888"},
        {"data register", Call::Outport, 0x378, 0x55, "Outport 888 85"},
        {"control register", Call::Outport, 0x37A, 0x0B, "Outport 890 11"},
        {"a value above 127", Call::Outport, 0x378, 0xC8, "Outport 888 200"},
        {"all bits", Call::Outport, 0x378, 0xFF, "Outport 888 255"},
        {"a value beyond a byte, as given", Call::Outport, 0x378, 0x1FF, "Outport 888 511"},
        {"a negative value, as given", Call::Outport, 0x378, -1, "Outport 888 -1"},
        {"an address above 0x3FF", Call::Outport, 0xD010, 0x01, "Outport 53264 1"},
        {"the highest address", Call::Outport, 0xFFFF, 0x80, "Outport 65535 128"},
        {"enable a range, first before last", Call::EnablePorts, 0x278, 0x27A, "EnablePorts 632 634"},
        {"disable a range", Call::DisablePorts, 0x3BC, 0x3BE, "DisablePorts 956 958"},
        {"disable above the ISA range", Call::DisablePorts, 0xD010, 0xFFFF, "DisablePorts 53264 65535"},
    };
    TStandInLibrary library;
    ASSERT_TRUE(library.Ready());
    {
        const auto portIO = CreatePortIO();
        for (const Row& row : rows) {
            if (row.Made == Call::Outport)
                portIO->Outport(row.Address, row.Second);
            else if (row.Made == Call::EnablePorts)
                portIO->EnablePorts(row.Address, static_cast<std::uint16_t>(row.Second));
            else
                portIO->DisablePorts(row.Address, static_cast<std::uint16_t>(row.Second));
        }
    }
    const std::vector<std::string> logged = library.LogLines();
    ASSERT_EQ(logged.size(), std::size(rows));
    for (std::size_t i = 0; i < logged.size(); ++i)
        EXPECT_EQ(logged[i], rows[i].Logged) << rows[i].Name;
}

TEST(Win32PortIO, TheStateTextComesBackIntactAndBounded)
{
    // Letters that change along the text, so that a cut in the wrong place shows.
    const auto text = [](std::size_t length) {
        std::string letters;
        for (std::size_t i = 0; i < length; ++i)
            letters += static_cast<char>('a' + i % 26);
        return letters;
    };
    struct Row {
        const char* Name;
        std::string Given;
        std::string Expected;
    } rows[] = {
        {"a short text", "Port 888: success", "Port 888: success"},
        {"bytes above 127", "\xC3\x89tat : r\xC3\xA9ussi \xC2\xB0", "\xC3\x89tat : r\xC3\xA9ussi \xC2\xB0"},
        {"254 bytes and the NUL fill the buffer", text(254), text(254)},
        {"255 bytes leave no room for the NUL", text(255), text(255)},
        {"a longer text ends with the buffer", text(400), text(255)},
    };
    for (const Row& row : rows) {
        TStandInLibrary library(nullptr, row.Given.c_str());
        ASSERT_TRUE(library.Ready()) << row.Name;
        const auto portIO = CreatePortIO();
        EXPECT_EQ(portIO->GetLastState(), row.Expected) << row.Name;
    }
}
