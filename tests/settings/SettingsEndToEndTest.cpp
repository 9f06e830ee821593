// The settings window against the rotator simulator on a pseudo-terminal, through to the saved file.
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "settings/RadioGroup.h"
#include "settings/SpinEdit.h"
#include "support/ChildProcess.h"
#include "SettingsWindowFixture.h"

namespace {

// The next command the simulator reports, as it prints it ("RX" and the quoted bytes); heading lines skipped.
std::string NextReceived(TChildProcess& simulator)
{
    while (const std::optional<std::string> line = simulator.NextLine(5000)) {
        if (line->rfind("RX ", 0) == 0)
            return line->substr(3);
    }
    return "(nothing received)";
}

TEST_F(SettingsWindowTest, TestCommandAndStopReachTheSimulatorAndTheSettingsAreSaved)
{
    const std::string program = BuiltProgram("rotator-sim");
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(program))) << "build the rotator-sim target first";
    std::remove((Folder->Path() + "/COM1").c_str());  // the simulator makes its own link
    TChildProcess simulator(program, {"--protocol", "gs232", "--link", QString::fromStdString(Folder->Path() + "/COM1")});
    const std::optional<std::string> ready = simulator.NextLine(5000);
    ASSERT_TRUE(ready && ready->rfind("READY", 0) == 0) << simulator.ErrorOutput();

    CreateWindows();
    Form->show();
    OpenWindow();
    FormInit->RadioGroupRotor->Button(riGS232)->click();
    FormInit->RadioGroupPortGS->Button(0)->click();
    ASSERT_EQ(StationSettings.PORT_GS232, 0);
    FormInit->SpinEditTestGS->setValue(90);
    FormInit->BitBtnTestGS->click();
    EXPECT_EQ(NextReceived(simulator), "\"W090\\r\"");

    FormInit->close();
    EXPECT_EQ(NextReceived(simulator), "\"S\\r\"");
    EXPECT_EQ(Beeps.Count(), 0);

    Form->close();
    std::ifstream file(Folder->Path() + "/Tolvane.ini");
    ASSERT_TRUE(file.good());
    std::stringstream saved;
    saved << file.rdbuf();
    for (const char* line : {"ANT=GS232\r\n", "PORT_GS232=1\r\n", "BAUD_GS232=4800\r\n"})
        EXPECT_NE(saved.str().find(line), std::string::npos) << line << " missing from\n" << saved.str();
}

}  // namespace
