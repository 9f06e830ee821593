// The settings tests' windows: two pseudo-terminals stand as COM1 (GS-232) and COM2 (EasyComm).
#pragma once

#include <map>

#include "support/MainWindowFixture.h"

class SettingsWindowTest : public TMainWindowFixture {
protected:
    void SetUp() override
    {
        TMainWindowFixture::SetUp();
        ASSERT_TRUE(GsDevice.IsOpen());
        ASSERT_TRUE(EasyDevice.IsOpen());
        ASSERT_TRUE(Folder->Link("COM1", GsDevice.SlavePath()));
        ASSERT_TRUE(Folder->Link("COM2", EasyDevice.SlavePath()));
    }

    // Both windows, created as at start: the printer ports are known to the main window's creation.
    void CreateWindows(const std::map<int, std::uint16_t>& lptAddresses = {{1, 0x378}})
    {
        CreateForm([&](TPlatformServices&) { Fakes.PortIO->Port.LptAddresses = lptAddresses; });
        CreateSettingsWindow();
    }

    // The Init menu: stops, closes the serial ports and shows the window (FormShow runs).
    void OpenWindow()
    {
        Form->MenuInitClick();
        ASSERT_TRUE(FormInit->isVisible());
    }

    std::vector<TPortCall> PortCalls(TPortCallKind kind) const { return Fakes.PortIO->Port.CallsOf(kind); }

    TPseudoTerminal GsDevice;    // COM1
    TPseudoTerminal EasyDevice;  // COM2
};
