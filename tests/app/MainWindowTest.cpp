// The main window: layout, caption rows, activation, the Init menu and the shut-down order.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/ReadbackSetting.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "serial/ComDrv32.h"
#include "support/MainWindowFixture.h"
#include "widgets/HeadingLine.h"
#include "widgets/Lcd99.h"
#include "widgets/SpinButton.h"

namespace {

using TMainWindowTest = TMainWindowFixture;

std::size_t IndexOf(const TCallLog& log, const std::string& prefix)
{
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i].rfind(prefix, 0) == 0)
            return i;
    }
    return log.size();
}

std::size_t CountOf(const TCallLog& log, const std::string& prefix)
{
    return static_cast<std::size_t>(std::count_if(log.begin(), log.end(), [&](const std::string& entry) {
        return entry.rfind(prefix, 0) == 0;
    }));
}

}  // namespace

TEST_F(TMainWindowTest, ControlsStandWhereTheLayoutPutsThem)
{
    TForm1& form = CreateForm();
    EXPECT_EQ(form.windowTitle(), "TOLVANE");
    EXPECT_EQ(form.geometry().size(), QSize(400, 127));
    EXPECT_EQ(form.pos(), QPoint(288, 102));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);

    EXPECT_EQ(form.PanelLampe->geometry(), QRect(10, 10, 361, 45));
    EXPECT_EQ(form.PanelLampe->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(form.LCDAzi->parentWidget(), form.PanelLampe);
    EXPECT_EQ(form.LCDAzi->geometry(), QRect(8, 6, 92, 32));
    EXPECT_EQ(form.LCDAzi->DigitNum(), 3);
    EXPECT_EQ(form.LCDAzi->SegmentSize(), 3);
    EXPECT_EQ(form.LCDAzi->Value(), "0");
    EXPECT_EQ(form.SpinButtonAzi->geometry(), QRect(120, 16, 25, 34));
    EXPECT_EQ(form.ButtonTrack->geometry(), QRect(141, 5, 42, 36));
    EXPECT_TRUE(form.ButtonTrack->font().bold());
    EXPECT_EQ(form.ButtonTrack->font().pointSize(), 10);
    EXPECT_EQ(form.SpeedButtonAuto->geometry(), QRect(183, 5, 42, 36));
    EXPECT_EQ(form.BitBtnStop->geometry(), QRect(225, 5, 42, 36));
    EXPECT_EQ(form.SpeedButtonLP->geometry(), QRect(267, 5, 42, 36));
    EXPECT_EQ(form.ImageLEDOff->pos(), QPoint(322, 7));
    EXPECT_EQ(form.ImageLedOn->pos(), QPoint(322, 7));
    EXPECT_FALSE(form.ImageLEDOff->isHidden());
    EXPECT_TRUE(form.ImageLedOn->isHidden());
    EXPECT_EQ(form.EditAzimut->geometry(), QRect(24, 24, 49, 21));
    EXPECT_TRUE(form.EditAzimut->text().isEmpty());
    EXPECT_TRUE(form.LabelEtatInterface->isHidden());
    EXPECT_EQ(form.LabelEtatInterface->text(), "commande");

    // Stacking, bottom to top: the box, the panel, the spin button.
    const QObjectList& children = form.centralWidget()->children();
    const auto position = [&](QObject* child) { return children.indexOf(child); };
    EXPECT_LT(position(form.EditAzimut), position(form.PanelLampe));
    EXPECT_LT(position(form.PanelLampe), position(form.SpinButtonAzi));

    EXPECT_EQ(form.TimerBlink->interval(), 300);
    EXPECT_FALSE(form.TimerBlink->isActive());
    EXPECT_EQ(form.TimerTrackOK->interval(), 3600);
    EXPECT_TRUE(form.TimerTrackOK->isActive());
    EXPECT_EQ(form.TimerDDE->interval(), 1000);
    EXPECT_TRUE(form.TimerDDE->isActive());
    EXPECT_EQ(form.CommPortDriverGS->ComPortSpeed(), br110);

    EXPECT_EQ(form.MenuQuitter->shortcut(), QKeySequence(Qt::Key_F4));
    EXPECT_EQ(form.MenuAide->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(form.MenuInit->text(), "&Init");
    EXPECT_EQ(form.MenuHelp->title(), "?");
    EXPECT_TRUE(form.MenuEnglish->isChecked());
    EXPECT_FALSE(form.MenuFrancais->isChecked());
}

TEST_F(TMainWindowTest, CreationFillsThePrinterPortAddresses)
{
    TFakeServices fakes;
    TPlatformServices services = fakes.Take();
    fakes.PortIO->Port.LptAddresses = {{1, 0x378}, {3, 0x3BC}};
    TForm1 form(std::move(services));
    EXPECT_EQ(LptBaseAddress[0], 0x378);
    EXPECT_EQ(LptBaseAddress[1], 0);
    EXPECT_EQ(LptBaseAddress[2], 0x3BC);
    EXPECT_TRUE(fakes.PortIO->Port.Calls.empty()) << "creation writes nothing to a port";
}

TEST_F(TMainWindowTest, CaptionShowsTheChosenInterfaceAndStaysWithoutOne)
{
    TForm1& form = CreateForm();
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    form.show_interface_status();
    EXPECT_EQ(form.windowTitle().toStdString(), "TOLVANE - GS232 / COM1 / 4800");
    StationSettings.ANT = riNone;
    form.show_interface_status();
    EXPECT_EQ(form.windowTitle().toStdString(), "TOLVANE - GS232 / COM1 / 4800");
}

TEST_F(TMainWindowTest, ActivationAppliesSerialSettingsAndTriesTheFeed)
{
    TForm1& form = CreateForm();
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 1;
    StationSettings.PORT_EASYCOMM = -1;
    StationSettings.GS232BaudIndex = 6;
    StationSettings.EasyCommBaudIndex = -1;
    const int easyPortBefore = form.CommPortDriverEasy->ComPort();
    const int easySpeedBefore = form.CommPortDriverEasy->ComPortSpeed();
    form.FormActivate();
    EXPECT_EQ(form.CommPortDriverGS->ComPort(), 1);
    EXPECT_EQ(form.CommPortDriverGS->ComPortSpeed(), 6);
    EXPECT_EQ(form.CommPortDriverEasy->ComPort(), easyPortBefore);
    EXPECT_EQ(form.CommPortDriverEasy->ComPortSpeed(), easySpeedBefore);
    EXPECT_EQ(form.windowTitle(), "TOLVANE - GS232 / COM2 / 4800");
    EXPECT_EQ(IndexOf(*Fakes.Log, "SetLink Teskarn Teskarn") < Fakes.Log->size(), true);
    EXPECT_FALSE(form.CommPortDriverGS->IsOpen()) << "activation opens no port";
}

TEST_F(TMainWindowTest, ActivationRunsFirstTimeAndOnReturnFromTheSettingsWindowOnly)
{
    TForm1& form = CreateForm();
    QWidget settings;
    form.SetFormInit(&settings);
    StationSettings.ANT = riARSIF;
    const auto focusTo = [](QWidget& window) {
        window.show();
        window.activateWindow();
        return RunEventsUntil([&] { return window.isActiveWindow(); }, 5000);
    };
    ASSERT_TRUE(focusTo(form));
    EXPECT_EQ(form.windowTitle(), "TOLVANE - ARSIF /ARSWIN");

    // Back from another window of the program that is not the settings window: nothing reruns.
    QWidget helpLike;
    ASSERT_TRUE(focusTo(helpLike));
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    ASSERT_TRUE(focusTo(form));
    WaitFor(50);
    EXPECT_EQ(form.windowTitle(), "TOLVANE - ARSIF /ARSWIN");

    ASSERT_TRUE(focusTo(settings));
    ASSERT_TRUE(focusTo(form));
    WaitFor(50);
    EXPECT_EQ(form.windowTitle(), "TOLVANE - GS232 / COM1 / 4800");

    // The settings window closes and the focus passes elsewhere first: its changes still show.
    ASSERT_TRUE(focusTo(settings));
    StationSettings.ANT = riARSIF;
    settings.hide();
    ASSERT_TRUE(focusTo(helpLike));
    ASSERT_TRUE(focusTo(form));
    WaitFor(50);
    EXPECT_EQ(form.windowTitle().toStdString(), "TOLVANE - ARSIF /ARSWIN");
}

TEST_F(TMainWindowTest, InitMenuStopsResetsAndShowsTheSettingsWindow)
{
    TForm1& form = CreateForm();
    QWidget settings;
    form.SetFormInit(&settings);
    Fakes.WindowMessages->FoundWindow = 42;
    LastSentAzimuth = 200;
    form.TimerBlink->start();
    form.ImageLedOn->show();
    form.ImageLEDOff->hide();

    form.MenuInitClick();

    EXPECT_EQ(LastSentAzimuth, -10);
    EXPECT_FALSE(form.TimerBlink->isActive());
    EXPECT_FALSE(form.TimerTrackOK->isActive());
    EXPECT_TRUE(form.ImageLedOn->isHidden());
    EXPECT_EQ(CountOf(*Fakes.Log, "PostMessage 42"), 1u) << "ARSWIN got its stop";
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(settings.isModal());
}

TEST_F(TMainWindowTest, WithoutConfigurationStartAndCloseWriteTheDefaultFile)
{
    ASSERT_FALSE(std::filesystem::exists("Tolvane.ini"));
    TForm1& form = CreateForm();
    form.close();

    const std::vector<std::string> lines = SavedLines();
    ASSERT_EQ(lines.size(), 33u);  // no PARKING line
    EXPECT_EQ(lines[0], "[TOLVANE]");
    EXPECT_EQ(lines[1], "LANGUAGE=ENGLISH");
    EXPECT_EQ(lines[2], "ANT=");
    EXPECT_EQ(lines[4], "LPT_POURSAT=0");
    EXPECT_EQ(lines[28], "AZIMUT_PARKING=0");
    EXPECT_EQ(lines[29], "WLEFT=288");
    EXPECT_EQ(lines[30], "WTOP=102");
    EXPECT_EQ(lines[31], "WWIDTH=400");
    EXPECT_EQ(lines[32], "WHEIGHT=127");
    struct stat status {};
    ASSERT_EQ(stat("Tolvane.ini", &status), 0);
    EXPECT_EQ(status.st_mode & 0222, 0u) << "the saved file is read-only";
    EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(TMainWindowTest, WindowBoundsComeFromTheFileAndGoBackToIt)
{
    WriteConfiguration({"[TOLVANE]", "WLEFT=50", "WTOP=60", "WWIDTH=500", "WHEIGHT=140"});
    TForm1& form = CreateForm();
    EXPECT_EQ(form.pos(), QPoint(50, 60));
    EXPECT_EQ(form.size(), QSize(500, 140));
    form.close();
    const std::vector<std::string> lines = SavedLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"WLEFT=50", "WTOP=60", "WWIDTH=500", "WHEIGHT=140"}));
}

TEST_F(TMainWindowTest, ABadNumberInTheFileShowsTheErrorBoxTitledTolvane)
{
    WriteConfiguration({"AZIMUT_PARKING=abc"});
    CreateForm();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Boxes.Boxes[0].Title, "Tolvane");
    EXPECT_NE(Boxes.Boxes[0].Text.find("abc"), std::string::npos);
}

TEST_F(TMainWindowTest, EachBadValueHasItsBoxAndTheOtherSettingsSurviveTheSave)
{
    WriteConfiguration({"[TOLVANE]", "ANT=GS232", "WTOP=x", "[GS-232]", "PORT_GS232=2", "STEP_GS232=3",
                        "AZIMUT_PARKING=abc", "STOP_GS232=S"});
    TForm1& form = CreateForm();
    ASSERT_EQ(Boxes.Boxes.size(), 2u);
    EXPECT_NE(Boxes.Boxes[0].Text.find("'x'"), std::string::npos);
    EXPECT_NE(Boxes.Boxes[1].Text.find("'abc'"), std::string::npos);
    form.close();

    const std::vector<std::string> lines = SavedLines();
    for (const char* kept : {"ANT=GS232", "PORT_GS232=2", "STEP_GS232=3", "STOP_GS232=S"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), kept), lines.end()) << kept;
}

TEST_F(TMainWindowTest, AnUnreadableFileIsKeptAndTheRunsSettingsGoToTheTemporaryFile)
{
    // A folder in its place: found at start, but no read can succeed, whoever runs the test.
    std::filesystem::create_directory("Tolvane.ini");
    ConfigFileFound = true;
    TForm1& form = CreateForm();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Title, "Tolvane");
    form.close();

    EXPECT_TRUE(std::filesystem::is_directory("Tolvane.ini"));
    ASSERT_EQ(Boxes.Boxes.size(), 2u);
    EXPECT_EQ(Boxes.Boxes[1].Kind, TMessageKind::Error);
    EXPECT_EQ(Boxes.Boxes[1].Title, "Erreur");
    EXPECT_EQ(Boxes.Boxes[1].Text, "Can't create Tolvane.ini");
    std::ifstream temporary("Tolvane.~in", std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(temporary)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved.rfind("[TOLVANE]\r\nLANGUAGE=ENGLISH\r\n", 0), 0u) << saved;
}

TEST_F(TMainWindowTest, ShutDownParksThenReleasesThePortThenClosesTheFeedThenSaves)
{
    TFakeServices fakes;
    TPlatformServices services = fakes.Take();
    fakes.PortIO->Port.LptAddresses = {{1, 0x378}};
    fakes.DdeClientConv->Reachable = true;
    std::shared_ptr<TCallLog> log = fakes.Log;
    TForm1 form(std::move(services));
    StationSettings.ANT = riPourSat;
    StationSettings.LPT_POURSAT = 0;
    StationSettings.PARKING = riPourSat + 1;
    StationSettings.AZIMUT_PARKING = 180;
    form.FeedLinkAttempt();
    ASSERT_TRUE(FeedLinkOpen);
    log->clear();
    form.TimerBlink->start();

    form.close();

    EXPECT_EQ(form.EditAzimut->text(), "180");
    EXPECT_EQ(form.LCDAzi->Value(), "180");
    const std::size_t stopAll = IndexOf(*log, "FindWindow ThunderForm ARSWIN");
    const std::size_t firstWrite = IndexOf(*log, "Outport");
    const std::size_t disable = IndexOf(*log, "DisablePorts 888 888");
    const std::size_t closeFeed = IndexOf(*log, "CloseLink");
    ASSERT_LT(disable, log->size());
    ASSERT_LT(closeFeed, log->size());
    EXPECT_LT(stopAll, disable);
    if (firstWrite < log->size()) {
        EXPECT_LT(stopAll, firstWrite);
        EXPECT_LT(firstWrite, disable);
        EXPECT_LT(IndexOf(*log, "Outport") + CountOf(*log, "Outport") - 1, disable)
            << "every parking write comes before the port is released";
    }
    EXPECT_LT(disable, closeFeed);
    EXPECT_FALSE(FeedLinkOpen);
    EXPECT_FALSE(form.TimerDDE->isActive()) << "the feed's close notification must not leave it running";
    EXPECT_LT(firstWrite, log->size()) << "the parking command went out";
    for (const std::string& entry : *log)
        EXPECT_EQ(entry.find("[saved]"), std::string::npos) << entry << " came after the save";
    const std::vector<std::string> saved = SavedLines();
    EXPECT_NE(std::find(saved.begin(), saved.end(), "PARKING=POURSAT"), saved.end());
}

TEST_F(TMainWindowTest, ShutDownRunsOnceHoweverOftenTheWindowCloses)
{
    TForm1& form = CreateForm();
    form.close();
    ASSERT_TRUE(std::filesystem::exists("Tolvane.ini"));
    std::filesystem::remove("Tolvane.ini");
    const std::size_t stops = CountOf(*Fakes.Log, "FindWindow");
    form.FormClose();
    form.close();
    EXPECT_EQ(CountOf(*Fakes.Log, "FindWindow"), stops);
    EXPECT_FALSE(std::filesystem::exists("Tolvane.ini")) << "the second close saved again";
}

TEST_F(TMainWindowTest, ShutDownStopsArswinAgainUnlessItParks)
{
    TForm1& form = CreateForm();
    Fakes.WindowMessages->FoundWindow = 7;
    StationSettings.ANT = riARSIF;
    form.close();
    // stop_all and then the exit stop: two stop values (-1) for ARSWIN.
    EXPECT_EQ(CountOf(*Fakes.Log, "PostMessage 7 " + std::to_string(Fakes.WindowMessages->MessageId) + " -1 0"),
              2u);
}

TEST_F(TMainWindowTest, ShutDownSendsTheSerialExitStopAfterParkingOnAnotherInterface)
{
    TPseudoTerminal rotator;
    ASSERT_TRUE(rotator.IsOpen());
    ASSERT_TRUE(Folder->Link("COM1", rotator.SlavePath()));
    TForm1& form = CreateForm();
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    StationSettings.PARKING = riEasyComm + 1;  // parking named for another interface still goes through ANT
    StationSettings.AZIMUT_PARKING = 90;
    form.FormActivate();

    form.close();

    const std::string bytes = rotator.ReadUntilQuiet(300);
    EXPECT_EQ(bytes, "W090\rS\r");
    EXPECT_FALSE(form.CommPortDriverGS->IsOpen());
}

TEST_F(TMainWindowTest, ShutDownWithSerialParkingSendsNoStopAfterIt)
{
    TPseudoTerminal rotator;
    ASSERT_TRUE(rotator.IsOpen());
    ASSERT_TRUE(Folder->Link("COM2", rotator.SlavePath()));
    TForm1& form = CreateForm();
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 1;
    StationSettings.PARKING = riGS232 + 1;
    StationSettings.AZIMUT_PARKING = 270;
    form.FormActivate();

    form.close();

    EXPECT_EQ(rotator.ReadUntilQuiet(300), "W270\r");
}

TEST_F(TMainWindowTest, ShutDownWithoutParkingSendsNothingOnTheClosedSerialPort)
{
    TPseudoTerminal rotator;
    ASSERT_TRUE(rotator.IsOpen());
    ASSERT_TRUE(Folder->Link("COM1", rotator.SlavePath()));
    TForm1& form = CreateForm();
    StationSettings.ANT = riEasyComm;
    StationSettings.PORT_EASYCOMM = 0;
    form.FormActivate();
    form.close();
    EXPECT_EQ(rotator.ReadUntilQuiet(200), "");
}

TEST_F(TMainWindowTest, TheHeadingLineGrowsASmallWindowOnlyWhileShownAndTheFileKeepsItsHeight)
{
    ASSERT_TRUE(WriteReadbackSetting(ReadbackSettingPath(), true));
    WriteConfiguration({"[TOLVANE]", "ANT=GS232", "WLEFT=50", "WTOP=60", "WWIDTH=400", "WHEIGHT=70"});
    TForm1& form = CreateForm();
    form.show();
    ASSERT_TRUE(form.LabelHeading->isVisible());
    EXPECT_EQ(form.LabelHeading->text().toStdString(), "Heading: ---");
    const QRect line = form.LabelHeading->geometry();
    EXPECT_LE(line.bottom(), form.centralWidget()->height()) << "the line fits in the window";
    EXPECT_GT(form.frameGeometry().height(), 70);
    EXPECT_EQ(form.LabelHeading->accessibleName(), form.LabelHeading->text());

    form.MenuFrancais->trigger();
    EXPECT_EQ(form.LabelHeading->text().toStdString(), "Cap : ---");
    EXPECT_EQ(form.MenuReadBack->text().toStdString(), "Lire la position de l'antenne");

    form.MenuReadBack->trigger();
    EXPECT_FALSE(form.LabelHeading->isVisible());
    EXPECT_EQ(form.frameGeometry().size(), QSize(400, 70)) << "switched off, the window is the file's again";
    EXPECT_FALSE(ReadReadbackSetting(ReadbackSettingPath())) << "the switch is written when it changes";
    form.MenuReadBack->trigger();
    form.close();
    const std::vector<std::string> lines = SavedLines();
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines.back(), "WHEIGHT=70");
}

TEST_F(TMainWindowTest, TheSwitchIsGreyedForTheInterfacesThatCannotReadBack)
{
    CreateForm();
    for (const int rotatorInterface : {riNone, riPourSat, riFODTrack, riARSIF, riGS232, riEasyComm}) {
        StationSettings.ANT = rotatorInterface;
        emit Form->PopupMenuInit->aboutToShow();
        EXPECT_EQ(Form->MenuReadBack->isEnabled(), rotatorInterface == riGS232 || rotatorInterface == riEasyComm)
            << rotatorInterface;
    }
    EXPECT_FALSE(Form->LabelHeading->isVisible()) << "off by default";
}
