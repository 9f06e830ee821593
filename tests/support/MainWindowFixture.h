// The main-window test fixture: fresh folder, clean process-wide state, and the window built on fakes
// or, where a test asks, on real services; the settings window beside it when wanted.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "settings/UnitInit.h"
#include "support/ChildProcess.h"
#include "support/FakeServices.h"
#include "support/PseudoTerminal.h"
#include "support/Recorders.h"

class TMainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the window; FormCreate runs inside, so write Tolvane.ini before when needed. `adjust`
    // gets the fakes first and may swap in real services (see UseRealDesktopLinks).
    TForm1& CreateForm(const std::function<void(TPlatformServices&)>& adjust = {});
    // The settings window, known to the main window as at start.
    TFormInit& CreateSettingsWindow();
    // ARSWIN's messages over the X server of $DISPLAY and the feed over the session bus.
    static void UseRealDesktopLinks(TPlatformServices& services);
    // Writes Tolvane.ini in the working folder and marks it found, as the start-up step would.
    void WriteConfiguration(const std::vector<std::string>& lines);
    // The lines of the saved Tolvane.ini, without their CR LF.
    std::vector<std::string> SavedLines() const;
    // The operator types an azimuth into the box and presses MAN.
    void PressManWith(const std::string& azimuth);
    bool LedLit() const;

    std::unique_ptr<TPortFolder> Folder;  // the current directory while the test runs
    TFakeServices Fakes;
    std::unique_ptr<TForm1> Form;
    std::unique_ptr<TFormInit> FormInit;
    TBeepRecorder Beeps;
    TMessageBoxRecorder Boxes;
};
