// A main window on fake desktop services with the settings window beside it, in a private folder.
#pragma once

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "app/Unit1.h"
#include "settings/UnitInit.h"
#include "support/ProcessState.h"
#include "support/ChildProcess.h"
#include "support/FakeServices.h"
#include "support/PseudoTerminal.h"
#include "support/Recorders.h"

class SettingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProcessState();
        ASSERT_TRUE(GsDevice.IsOpen());
        ASSERT_TRUE(EasyDevice.IsOpen());
        ASSERT_TRUE(Folder.Link("COM1", GsDevice.SlavePath()));
        ASSERT_TRUE(Folder.Link("COM2", EasyDevice.SlavePath()));
    }

    void TearDown() override
    {
        FormInit.reset();
        Form1.reset();
    }

    // Both windows, created as at start: the printer ports are known to the main window's creation.
    void CreateWindows(const std::map<int, std::uint16_t>& lptAddresses = {{1, 0x378}})
    {
        TPlatformServices services = Services.Take();
        Services.PortIO->Port.LptAddresses = lptAddresses;
        Form1 = std::make_unique<TForm1>(std::move(services));
        FormInit = std::make_unique<TFormInit>(*Form1);
        Form1->SetFormInit(FormInit.get());
    }

    // The Init menu: stops, closes the serial ports and shows the window (FormShow runs).
    void OpenWindow()
    {
        Form1->MenuInitClick();
        ASSERT_TRUE(FormInit->isVisible());
    }

    std::vector<TPortCall> PortCalls(TPortCallKind kind) const { return Services.PortIO->Port.CallsOf(kind); }

    TPortFolder Folder;  // the current directory while the test runs
    TPseudoTerminal GsDevice;    // COM1
    TPseudoTerminal EasyDevice;  // COM2
    TFakeServices Services;
    TBeepRecorder Beeps;
    std::unique_ptr<TForm1> Form1;
    std::unique_ptr<TFormInit> FormInit;
};
