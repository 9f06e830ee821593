// IOCtrl.dll missing or incomplete: the printer ports behave as absent and the state says why.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "platform/PortIO.h"

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
