// Hamlib's rotctl drives the real program through tolvane-bridge: rotctl -> bridge -> feed -> AUTO -> the line.
#include <QTcpSocket>

#include <memory>
#include <vector>

#include "e2e/E2eFixture.h"
#include "tools/BridgeFixture.h"

namespace {

const std::vector<std::string> Gs232OnCom1 = {
    "[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600",
    "STOP_GS232=N", "STEP_GS232=1",
};

// One rotctl run against the bridge, as a ham types it; true when rotctl reports success.
bool Rotctl(quint16 port, const QStringList& commands)
{
    return RunCommand(QStringLiteral("rotctl"),
                      QStringList{"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port)} + commands)
               .ExitCode == 0;
}

class BridgeE2e : public TolvaneE2e {
protected:
    // Tolvane in AUTO on `ini`, fed by the bridge; returns the bridge's port.
    quint16 StartInAuto(const std::vector<std::string>& ini)
    {
        const quint16 port = Desktop->StartBridge();
        Desktop->WriteIni(ini);
        if (port == 0 || !Desktop->StartTolvane())
            return 0;
        Desktop->Click(MainWindowPoint::Auto);
        return port;
    }
};

}  // namespace

TEST_F(BridgeE2e, Gs232FollowsRotctlAndSurvivesAbuse)
{
    TChildProcess& rotator = Desktop->StartRotator("gs232", "COM1");
    const quint16 port = StartInAuto(Gs232OnCom1);
    ASSERT_NE(port, 0u);
    ASSERT_TRUE(Rotctl(port, {"P", "123", "0"}));
    EXPECT_TRUE(rotator.WaitForOutput(Received("W123\r"), CommandWaitMs));
    ASSERT_TRUE(Rotctl(port, {"P", "-90", "0"}));
    EXPECT_TRUE(rotator.WaitForOutput(Received("W270\r"), CommandWaitMs));

    const auto crowd = CrowdAndFlood(port);
    ASSERT_TRUE(crowd.back()->state() == QAbstractSocket::ConnectedState) << "the flooder did not get in";

    EXPECT_TRUE(Rotctl(port, {"P", "200", "0", "p"}));
    EXPECT_TRUE(rotator.WaitForOutput(Received("W200\r"), CommandWaitMs));
    ASSERT_TRUE(Desktop->Quit());
}

TEST_F(BridgeE2e, EasyCommFollowsRotctl)
{
    TChildProcess& rotator = Desktop->StartRotator("easycomm", "COM1");
    const quint16 port = StartInAuto({"[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=EASYCOMM", "[EASYCOMM]", "PORT_EASYCOMM=1",
                                      "BAUD_EASYCOMM=9600", "STOP_EASYCOMM=N", "STEP_EASYCOMM=1"});
    ASSERT_NE(port, 0u);
    ASSERT_TRUE(Rotctl(port, {"P", "123", "0"}));
    EXPECT_TRUE(rotator.WaitForOutput(Received("AZ123.0\r"), CommandWaitMs));
    ASSERT_TRUE(Desktop->Quit());
}

TEST_F(BridgeE2e, InAFrenchLocaleAHalfDegreeReachesTheLineRoundedToEven)
{
    Desktop->SetLocale("fr_FR.UTF-8");
    TChildProcess& rotator = Desktop->StartRotator("gs232", "COM1");
    const quint16 port = StartInAuto(Gs232OnCom1);
    ASSERT_NE(port, 0u);
    ASSERT_TRUE(Rotctl(port, {"P", "123.5", "0"}));
    EXPECT_TRUE(rotator.WaitForOutput(Received("W124\r"), CommandWaitMs));
    const unsigned long box = Desktop->WaitForOtherWindow(".", 1000);  // a box has a title
    EXPECT_EQ(box, 0u) << "a window: " << Desktop->WindowName(box);
    ASSERT_TRUE(Desktop->Quit());
}
