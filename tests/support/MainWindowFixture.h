// A test fixture that builds the main window on fakes, in a fresh working folder, with clean globals.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "support/ChildProcess.h"
#include "support/FakeServices.h"
#include "support/PseudoTerminal.h"
#include "support/Recorders.h"

class TMainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the window; FormCreate runs inside, so write Tolvane.ini before when needed.
    TForm1& CreateForm();
    // Writes Tolvane.ini in the working folder and marks it found, as the start-up step would.
    void WriteConfiguration(const std::vector<std::string>& lines);
    // The lines of the saved Tolvane.ini, without their CR LF.
    std::vector<std::string> SavedLines() const;

    std::unique_ptr<TPortFolder> Folder;
    TFakeServices Fakes;
    std::unique_ptr<TForm1> Form;
    TBeepRecorder Beeps;
    TMessageBoxRecorder Boxes;
};
