// The real program with ARSWIN, the settings window, the language menu and help, as the operator uses them.
#include "e2e/E2eFixture.h"

namespace {
// Centres of the settings window's controls as it lays them out (Liberation Sans 8 pt): the
// INTERFACE group at (8,8), the tabs at (112,8), the serial tab's COM group and Test & Parking group.
namespace SettingsPoint {
constexpr int Gs232InterfaceX = 26, Gs232InterfaceY = 102;
constexpr int Gs232TabX = 303, Gs232TabY = 18;
constexpr int Com1X = 140, Com1Y = 65;
constexpr int TestAzimuthX = 178, TestAzimuthY = 210;
constexpr int GoX = 247, GoY = 210;
constexpr int ParkX = 300, ParkY = 210;
}  // namespace SettingsPoint

// The About box through the "?" menu, reached from the Language menu with the arrow key; menus
// open at their own pace on a loaded machine, so the operator tries again after Escape.
unsigned long OpenAboutBox(TTolvaneDesktop& desktop, const std::string& mnemonic)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        desktop.FocusMainWindow();
        desktop.Keys({"alt+l", "Right", mnemonic}, 300);
        if (const unsigned long box = desktop.WaitForOtherWindow("^Information$", 3000))
            return box;
        desktop.Keys({"Escape", "Escape"}, 200);
    }
    return 0;
}

std::string Posted(int wParam)
{
    return "AZIMUTH wParam=" + std::to_string(wParam) + " lParam=0";
}
}  // namespace

TEST_F(TolvaneE2e, ArsifPostsEveryAzimuthToArswin)
{
    TChildProcess& arswin = Desktop->StartArswin();
    TChildProcess& feed = Desktop->StartFeed();
    Desktop->WriteIni({"[TOLVANE]", "ANT=ARSIF", "[ARSIF]", "STOP_ARSIF=S", "STEP_ARSIF=1"});
    ASSERT_TRUE(Desktop->StartTolvane());
    EXPECT_TRUE(Desktop->WaitForCaption("TOLVANE - ARSIF /ARSWIN"));

    Desktop->Click(MainWindowPoint::SpinUp);
    EXPECT_TRUE(Desktop->WaitForReadout("1"));
    Desktop->Click(MainWindowPoint::Man);
    // No end stop for ARSWIN, even with the south stop set.
    EXPECT_TRUE(arswin.WaitForOutput(Posted(1), CommandWaitMs));

    Desktop->Click(MainWindowPoint::Auto);
    Desktop->Click(MainWindowPoint::LongPath);
    EXPECT_TRUE(Desktop->WaitForReadout("181"));
    EXPECT_TRUE(arswin.WaitForOutput(Posted(181), CommandWaitMs));
    // Halves go to the even neighbour.
    feed.Write("44.5\n");
    EXPECT_TRUE(arswin.WaitForOutput(Posted(44), CommandWaitMs));
    feed.Write("45.5\n");
    EXPECT_TRUE(arswin.WaitForOutput(Posted(46), CommandWaitMs));

    Desktop->Click(MainWindowPoint::Stop);
    EXPECT_TRUE(arswin.WaitForOutput(Posted(-1), CommandWaitMs));
    ASSERT_TRUE(Desktop->Quit());
    EXPECT_NE(Desktop->ReadIni().find("ANT=ARSIF\r\n"), std::string::npos);
}

TEST_F(TolvaneE2e, ArsifWithoutArswinWarnsInItsBox)
{
    Desktop->WriteIni({"[TOLVANE]", "ANT=ARSIF"});
    ASSERT_TRUE(Desktop->StartTolvane());
    Desktop->Click(MainWindowPoint::SpinUp);
    EXPECT_TRUE(Desktop->WaitForReadout("1"));
    Desktop->Click(MainWindowPoint::Man);
    const unsigned long box = Desktop->WaitForOtherWindow("^Avertissement$");
    ASSERT_NE(box, 0UL) << "the warning box that ARSWIN must be running";
    Desktop->Keys({"Return"});
    EXPECT_TRUE(RunEventsUntil([&] { return Desktop->WaitForOtherWindow("^Avertissement$", 0) == 0; }, 5000));
    if (Desktop->HasWindowManager()) {
        EXPECT_TRUE(RunEventsUntil([&] { return Desktop->FocusWindow() == Desktop->MainWindow(); }, 5000))
            << "the window manager hands the focus back to the main window";
    }
    EXPECT_FALSE(Desktop->Look().LedLit) << "nothing went out";
    ASSERT_TRUE(Desktop->Quit());
}

TEST_F(TolvaneE2e, SettingsWindowChoosesGs232TestsAndKeepsTheChoice)
{
    TChildProcess& rotator = Desktop->StartRotator("gs232", "COM1");
    ASSERT_TRUE(Desktop->StartTolvane());
    EXPECT_EQ(Desktop->Caption(), "TOLVANE");

    Desktop->Keys({"alt+i"});
    const unsigned long settings = Desktop->WaitForOtherWindow("^TOLVANE$");
    ASSERT_NE(settings, 0UL) << "the Init menu opens the settings window";
    Desktop->ClickWindowAt(settings, SettingsPoint::Gs232InterfaceX, SettingsPoint::Gs232InterfaceY);
    Desktop->ClickWindowAt(settings, SettingsPoint::Gs232TabX, SettingsPoint::Gs232TabY);
    Desktop->ClickWindowAt(settings, SettingsPoint::Com1X, SettingsPoint::Com1Y);
    Desktop->ClickWindowAt(settings, SettingsPoint::TestAzimuthX, SettingsPoint::TestAzimuthY);
    Desktop->Keys({"ctrl+a"});
    Desktop->TypeText("90");
    Desktop->ClickWindowAt(settings, SettingsPoint::GoX, SettingsPoint::GoY);
    EXPECT_TRUE(rotator.WaitForOutput(Received("W090\r"), CommandWaitMs));

    Desktop->CloseWindow(settings);
    // GS-232's own stop on closing, not EasyComm's "SA".
    EXPECT_TRUE(rotator.WaitForOutput(Received("S\r"), CommandWaitMs));
    EXPECT_TRUE(RunEventsUntil([&] { return Desktop->WaitForOtherWindow("^TOLVANE$", 0) == 0; }, 5000));
    if (Desktop->Caption() == "TOLVANE")
        Desktop->FocusMainWindow();
    EXPECT_TRUE(Desktop->WaitForCaption("TOLVANE - GS232 / COM1 / 4800"));
    EXPECT_TRUE(Desktop->WaitForReadout("90")) << "the test azimuth shows on the main window";

    ASSERT_TRUE(Desktop->Quit());
    const std::string ini = Desktop->ReadIni();
    EXPECT_NE(ini.find("ANT=GS232\r\n"), std::string::npos) << Visible(ini);
    EXPECT_NE(ini.find("PORT_GS232=1\r\n"), std::string::npos) << Visible(ini);
    EXPECT_EQ(ReceivedCommands(rotator), (std::vector<std::string>{Received("W090\r"), Received("S\r")}));
}

// The focus passes through another program's window, as when the operator looks at a logbook.
TEST_F(TolvaneE2e, SettingsEditsOutliveAnotherProgramAndTheCaptionFollowsTheClose)
{
    Desktop->WriteIni({"[TOLVANE]", "ANT=GS232", "PORT_GS232=1", "AZIMUT_PARKING=90", "PARKING=GS232"});
    ASSERT_TRUE(Desktop->StartTolvane());
    ASSERT_TRUE(Desktop->StartOtherProgram()) << "xmessage's window";
    Desktop->FocusMainWindow();
    const std::string before = "TOLVANE - GS232 / COM1 / 4800 / Parking=90°";
    EXPECT_TRUE(Desktop->WaitForCaption(before));

    Desktop->Keys({"alt+i"});
    const unsigned long settings = Desktop->WaitForOtherWindow("^TOLVANE$");
    ASSERT_NE(settings, 0UL);
    Desktop->ClickWindowAt(settings, SettingsPoint::ParkX, SettingsPoint::ParkY);
    Desktop->ClickWindowAt(settings, SettingsPoint::TestAzimuthX, SettingsPoint::TestAzimuthY);
    Desktop->Keys({"ctrl+a"});
    Desktop->TypeText("120");
    Desktop->VisitOtherProgram();
    Desktop->Activate(settings);
    // Ticked again by the operator, the box parks at the azimuth typed before the visit.
    Desktop->ClickWindowAt(settings, SettingsPoint::ParkX, SettingsPoint::ParkY);

    // The main window reached from another program does not take the settings yet.
    Desktop->VisitOtherProgram();
    Desktop->FocusMainWindow();
    const std::string after = "TOLVANE - GS232 / COM1 / 4800 / Parking=120°";
    EXPECT_FALSE(Desktop->WaitForCaption(after, 1000));
    EXPECT_EQ(Desktop->Caption(), before);

    // Closed while another program has the focus: the main window's next activation takes the settings.
    Desktop->VisitOtherProgram();
    Desktop->CloseWindow(settings);
    EXPECT_TRUE(RunEventsUntil([&] { return Desktop->WaitForOtherWindow("^TOLVANE$", 0) == 0; }, 5000));
    Desktop->FocusMainWindow();
    EXPECT_TRUE(Desktop->WaitForCaption(after));

    ASSERT_TRUE(Desktop->Quit());
    const std::string ini = Desktop->ReadIni();
    EXPECT_NE(ini.find("AZIMUT_PARKING=120\r\nPARKING=GS232\r\n"), std::string::npos) << Visible(ini);
}

// The file's bounds are the frame's, as the window manager draws it; without one, the window's.
TEST_F(TolvaneE2e, WindowFrameTakesTheBoundsOfTheFileAndKeepsThem)
{
    Desktop->WriteIni({"[TOLVANE]", "WLEFT=50", "WTOP=60", "WWIDTH=420", "WHEIGHT=150"});
    ASSERT_TRUE(Desktop->StartTolvane());
    const QRect expected(50, 60, 420, 150);
    QRect frame;
    EXPECT_TRUE(RunEventsUntil([&] { return (frame = Desktop->FrameBounds(Desktop->MainWindow())) == expected; }, 5000))
        << "frame at " << frame.x() << "," << frame.y() << " size " << frame.width() << "x" << frame.height();
    ASSERT_TRUE(Desktop->Quit());
    EXPECT_NE(Desktop->ReadIni().find("WLEFT=50\r\nWTOP=60\r\nWWIDTH=420\r\nWHEIGHT=150\r\n"), std::string::npos)
        << Visible(Desktop->ReadIni());
}

TEST_F(TolvaneE2e, FrenchIsChosenFromTheMenuAndKept)
{
    ASSERT_TRUE(Desktop->StartTolvane());
    // Language menu, then its second item, "&Français".
    Desktop->Keys({"alt+l", "f"}, 300);
    // In French the About item is "A &propos de Tolvane": its mnemonic is p; in English it is a.
    const unsigned long about = OpenAboutBox(*Desktop, "p");
    ASSERT_NE(about, 0UL) << "the About box opens from its French mnemonic";
    Desktop->Keys({"Return"});
    EXPECT_TRUE(RunEventsUntil([&] { return Desktop->WaitForOtherWindow("^Information$", 0) == 0; }, 5000));

    Desktop->FocusMainWindow();
    // F1 opens the French help file.
    Desktop->Keys({"F1"});
    const unsigned long help = Desktop->WaitForOtherWindow("^Tolvane_FR\\.hlp$");
    EXPECT_NE(help, 0UL) << "the help viewer shows Tolvane_FR.hlp";
    if (help != 0)
        Desktop->CloseWindow(help);

    ASSERT_TRUE(Desktop->Quit());
    EXPECT_NE(Desktop->ReadIni().find("LANGUAGE=FRENCH\r\n"), std::string::npos) << Visible(Desktop->ReadIni());
}

TEST_F(TolvaneE2e, EnglishHelpAndAboutFromTheirKeys)
{
    Desktop->WriteIni({"[TOLVANE]", "LANGUAGE=FRENCH"});
    ASSERT_TRUE(Desktop->StartTolvane());
    Desktop->Keys({"alt+l", "e"}, 300);
    const unsigned long about = OpenAboutBox(*Desktop, "a");
    ASSERT_NE(about, 0UL) << "the About box opens from its English mnemonic";
    Desktop->Keys({"Return"});
    EXPECT_TRUE(RunEventsUntil([&] { return Desktop->WaitForOtherWindow("^Information$", 0) == 0; }, 5000));
    Desktop->FocusMainWindow();
    Desktop->Keys({"F1"});
    EXPECT_NE(Desktop->WaitForOtherWindow("^Tolvane_EN\\.hlp$"), 0UL);
    ASSERT_TRUE(Desktop->Quit());
    EXPECT_NE(Desktop->ReadIni().find("LANGUAGE=ENGLISH\r\n"), std::string::npos);
}
