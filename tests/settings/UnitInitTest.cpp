// The settings window: what showing it settles, its refusals, the test and parking controls, and closing.
#include <QCheckBox>
#include <QFocusEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "core/NumberFormat.h"
#include "serial/ComDrv32.h"
#include "settings/RadioGroup.h"
#include "settings/SpinEdit.h"
#include "SettingsWindowFixture.h"

namespace {

// A number text in the locale's format from one written with a point.
std::string Localised(std::string text)
{
    for (char& c : text) {
        if (c == '.')
            c = DecimalSeparator;
    }
    return text;
}

TEST_F(SettingsWindowTest, LayoutAtCreation)
{
    CreateWindows();
    EXPECT_EQ(FormInit->windowTitle(), QStringLiteral("TOLVANE"));
    EXPECT_EQ(FormInit->size(), QSize(442, 263));
    EXPECT_FALSE(FormInit->isVisible());
    EXPECT_EQ(FormInit->RadioGroupRotor->title(), QStringLiteral("INTERFACE"));
    const QStringList interfaces = {"PourSat", "FODTrack", "ARSIF", "GS232", "EasyComm"};
    for (int i = 0; i < interfaces.size(); ++i)
        EXPECT_EQ(FormInit->RadioGroupRotor->ItemText(i), interfaces[i]);
    EXPECT_EQ(FormInit->RadioGroupRotor->ItemIndex(), -1);

    const QStringList tabs = {"PourSat", "FODTrack", "ARSIF", "GS-232", "EasyComm"};
    ASSERT_EQ(FormInit->PageControlAntenne->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i)
        EXPECT_EQ(FormInit->PageControlAntenne->tabText(i), tabs[i]);
    EXPECT_EQ(FormInit->PageControlAntenne->currentWidget(), FormInit->TabSheetGS);

    EXPECT_EQ(FormInit->LabelARSIFCaution->text(), QStringLiteral("CAUTION : ARSWIN must be running"));
    EXPECT_EQ(FormInit->LabelARSIFCaution->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(FormInit->LabelARSIFCaution->parentWidget(), FormInit->TabSheetARSIF);

    for (const QComboBox* list : {FormInit->ComboBoxBaudGS, FormInit->ComboBoxBaudEasy}) {
        ASSERT_EQ(list->count(), 9);
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(list->itemText(i).toStdString(), BaudRateText[static_cast<std::size_t>(i)]);
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(list->placeholderText(), QStringLiteral("4800"));
    }
    for (const TSpinEdit* step : {FormInit->SpinEditStepPourSat, FormInit->SpinEditStepFODtrack,
                                  FormInit->SpinEditStepARSIF, FormInit->SpinEditStepGS, FormInit->SpinEditStepEasy}) {
        EXPECT_EQ(step->value(), 1);
        EXPECT_EQ(step->maximum(), 5);
        EXPECT_TRUE(step->findChild<QLineEdit*>()->isReadOnly());
    }
    for (const TSpinEdit* test : {FormInit->SpinEditTestPourSat, FormInit->SpinEditTestGS}) {
        EXPECT_EQ(test->maximum(), 450);
        EXPECT_EQ(test->singleStep(), 5);
        EXPECT_FALSE(test->findChild<QLineEdit*>()->isReadOnly());
    }
    EXPECT_EQ(FormInit->RadioGroupGSbutee->ItemIndex(), 0);
    // "&&" shows as one ampersand, as "&" would mark a mnemonic.
    EXPECT_EQ(FormInit->BitBtnTestGS->parentWidget()->property("title").toString(), QStringLiteral("Test && Parking"));
    EXPECT_EQ(FormInit->CheckBoxParkGS->text(), QStringLiteral("use for parking"));
}

TEST_F(SettingsWindowTest, AFreeComPortIsOpenedAndClosedAgain)
{
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    CreateWindows();
    ASSERT_FALSE(GsDevice.LineSettings().Raw);
    OpenWindow();
    EXPECT_EQ(FormInit->RadioGroupPortGS->ItemIndex(), 0);
    EXPECT_EQ(StationSettings.PORT_GS232, 0);
    EXPECT_EQ(Beeps.Count(), 0);
    // The open set the line up; the port is closed again.
    EXPECT_TRUE(GsDevice.LineSettings().Raw);
    EXPECT_FALSE(Form->CommPortDriverGS->IsOpen());
    EXPECT_EQ(Form->CommPortDriverGS->ComPort(), 0);
}

TEST_F(SettingsWindowTest, AComPortHeldByAnotherProgramIsClearedWithABeep)
{
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    const int holder = ::open(GsDevice.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    CreateWindows();
    OpenWindow();
    ::close(holder);
    EXPECT_EQ(FormInit->RadioGroupPortGS->ItemIndex(), -1);
    EXPECT_EQ(StationSettings.PORT_GS232, -1);
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_FALSE(Form->CommPortDriverGS->IsOpen());
}

TEST_F(SettingsWindowTest, ChoosingAComPortWhileItIsOpenStopsTheControllerFirst)
{
    StationSettings.ANT = riEasyComm;
    StationSettings.PORT_EASYCOMM = 1;
    CreateWindows();
    OpenWindow();
    ASSERT_TRUE(Form->CommPortDriverEasy->OpenPort());
    FormInit->RadioGroupPortEasy->Button(0)->click();  // COM1, the other pty
    EXPECT_EQ(EasyDevice.ReadUntilQuiet(200), "SA\r");
    EXPECT_EQ(StationSettings.PORT_EASYCOMM, 0);
    EXPECT_FALSE(Form->CommPortDriverEasy->IsOpen());
    // A port whose device cannot be opened is refused.
    ASSERT_TRUE(Folder->Link("COM4", Folder->Path() + "/no-such-device"));
    FormInit->RadioGroupPortEasy->Button(3)->click();
    EXPECT_EQ(StationSettings.PORT_EASYCOMM, -1);
    EXPECT_EQ(FormInit->RadioGroupPortEasy->ItemIndex(), -1);
    EXPECT_EQ(Beeps.Count(), 1);
}

TEST_F(SettingsWindowTest, StepsOutsideTheLimitsAreBroughtInAndStored)
{
    StationSettings.STEP_GS232 = 9;
    StationSettings.STEP_ARSIF = -3;
    StationSettings.STEP_EASYCOMM = 3;
    CreateWindows();
    OpenWindow();
    EXPECT_EQ(FormInit->SpinEditStepGS->value(), 5);
    EXPECT_EQ(StationSettings.STEP_GS232, 5);
    EXPECT_EQ(FormInit->SpinEditStepARSIF->value(), 0);
    EXPECT_EQ(StationSettings.STEP_ARSIF, 0);
    EXPECT_EQ(StationSettings.STEP_EASYCOMM, 3);
    FormInit->SpinEditStepEasy->stepBy(1);
    EXPECT_EQ(StationSettings.STEP_EASYCOMM, 4);
}

struct TLptRow {
    const char* Name;
    std::map<int, std::uint16_t> Addresses;
    int Stored;
    int Selected;
    int Beeps;
    std::vector<QString> Labels;
};

TEST_F(SettingsWindowTest, StoredLptIndexIsCheckedAgainstThePorts)
{
    const TLptRow rows[] = {
        {"index 6 and LPT3 exists", {{1, 0x378}, {3, 0x3BC}}, 6, 2, 0, {"LPT1 [378h]", "LPT2 [000h]", "LPT3 [3BCh]"}},
        {"index 6 and no LPT3", {{1, 0x378}}, 6, -1, 1, {"LPT1 [378h]", "LPT2 [000h]", "LPT3 [000h]"}},
        {"short and long addresses", {{1, 0x3C}, {2, 0xBC00}}, 1, 1, 0, {"LPT1 [03Ch]", "LPT2 [BC00h]", "LPT3 [000h]"}},
        {"none chosen", {{1, 0x378}}, -1, -1, 0, {"LPT1 [378h]", "LPT2 [000h]", "LPT3 [000h]"}},
    };
    for (const TLptRow& row : rows) {
        SCOPED_TRACE(row.Name);
        SetUp();
        Fakes = TFakeServices{};
        StationSettings.LPT_POURSAT = row.Stored;
        CreateWindows(row.Addresses);
        Beeps.Clear();
        OpenWindow();
        EXPECT_EQ(FormInit->RadioGroupPourSatLPT->ItemIndex(), row.Selected);
        EXPECT_EQ(StationSettings.LPT_POURSAT, row.Selected);
        EXPECT_EQ(Beeps.Count(), row.Beeps);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(FormInit->RadioGroupPourSatLPT->ItemText(i), row.Labels[static_cast<std::size_t>(i)]);
            EXPECT_EQ(FormInit->RadioGroupFODLPT->ItemText(i), row.Labels[static_cast<std::size_t>(i)]);
        }
        TearDown();
    }
}

TEST_F(SettingsWindowTest, ChoosingAMissingLptPortIsRefused)
{
    CreateWindows({{1, 0x378}});
    OpenWindow();
    FormInit->RadioGroupFODLPT->Button(0)->click();
    EXPECT_EQ(StationSettings.LPT_FODTRACK, 0);
    FormInit->RadioGroupFODLPT->Button(1)->click();
    EXPECT_EQ(StationSettings.LPT_FODTRACK, -1);
    EXPECT_EQ(FormInit->RadioGroupFODLPT->ItemIndex(), -1);
    EXPECT_EQ(Beeps.Count(), 1);
}

TEST_F(SettingsWindowTest, ABaudTextOutsideTheListLeavesTheSpeedAlone)
{
    StationSettings.BAUD_GS232 = "38400";
    StationSettings.BAUD_EASYCOMM = "9600";
    CreateWindows();
    // As the configuration reader leaves them for a table text.
    Form->CommPortDriverGS->SetComPortSpeed(br38400);
    StationSettings.GS232BaudIndex = br38400;
    OpenWindow();
    EXPECT_EQ(FormInit->ComboBoxBaudGS->currentIndex(), -1);
    EXPECT_EQ(StationSettings.GS232BaudIndex, -1);
    EXPECT_EQ(Form->CommPortDriverGS->ComPortSpeed(), br38400);
    EXPECT_EQ(StationSettings.BAUD_GS232, "38400");

    EXPECT_EQ(FormInit->ComboBoxBaudEasy->currentIndex(), 6);
    EXPECT_EQ(StationSettings.EasyCommBaudIndex, br9600);
    EXPECT_EQ(Form->CommPortDriverEasy->ComPortSpeed(), br9600);
}

TEST_F(SettingsWindowTest, OnlyAPickFromTheBaudListRunsItsHandler)
{
    CreateWindows();
    OpenWindow();
    ASSERT_EQ(StationSettings.BAUD_GS232, "4800");
    FormInit->ComboBoxBaudGS->setCurrentIndex(8);
    EXPECT_EQ(StationSettings.BAUD_GS232, "4800");
    EXPECT_EQ(StationSettings.GS232BaudIndex, br4800);

    StationSettings.PORT_GS232 = 0;
    Form->CommPortDriverGS->SetComPort(0);
    ASSERT_TRUE(Form->CommPortDriverGS->OpenPort());
    FormInit->ComboBoxBaudGS->setCurrentIndex(2);
    emit FormInit->ComboBoxBaudGS->activated(2);
    EXPECT_FALSE(Form->CommPortDriverGS->IsOpen());
    EXPECT_EQ(Form->CommPortDriverGS->ComPortSpeed(), br600);
    EXPECT_EQ(StationSettings.GS232BaudIndex, 2);
    EXPECT_EQ(StationSettings.BAUD_GS232, "600");
}

struct TTextRow {
    const char* Name;
    std::string Text;
    long double Stored;
    int Beeps;
    std::string TextAfter;
};

TEST_F(SettingsWindowTest, ZeroTextIsCheckedAgainstPlusMinus90)
{
    CreateWindows();
    OpenWindow();
    const TTextRow rows[] = {
        {"upper bound", "90", 90, 0, "90"},
        {"lower bound", "-90", -90, 0, "-90"},
        {"inside", Localised("12.5"), 12.5L, 0, Localised("12.5")},
        {"just above", Localised("90.5"), 0, 1, ""},
        {"below", "-91", 0, 1, ""},
        {"sign alone", "-", 0, 0, "-"},
        {"not a number", "abc", 0, 0, "abc"},
    };
    for (const TTextRow& row : rows) {
        SCOPED_TRACE(row.Name);
        FormInit->EditFODZero->setText(QStringLiteral("7"));
        ASSERT_EQ(StationSettings.ZERO_FODTRACK, 7);
        Beeps.Clear();
        FormInit->EditFODZero->setText(QString::fromStdString(row.Text));
        EXPECT_EQ(StationSettings.ZERO_FODTRACK, row.Stored);
        EXPECT_EQ(Beeps.Count(), row.Beeps);
        EXPECT_EQ(FormInit->EditFODZero->text().toStdString(), row.TextAfter);
    }
}

TEST_F(SettingsWindowTest, CalibrationTextIsStoredAsReadOrZero)
{
    StationSettings.CALAZ_POURSAT = 0.51389012345L;
    CreateWindows();
    OpenWindow();
    // Showing stores the value back as its seven-digit text reads.
    EXPECT_EQ(FormInit->EditPourSatCalAz->text().toStdString(), Localised("0.5138901"));
    long double expected = 0;
    ASSERT_TRUE(TryStrToFloat(Localised("0.5138901"), expected));
    EXPECT_EQ(StationSettings.CALAZ_POURSAT, expected);

    const TTextRow rows[] = {
        {"number", Localised("1.25"), 1.25L, 0, Localised("1.25")},
        {"large", "500", 500, 0, "500"},
        {"empty", "", 0, 0, ""},
        {"not a number", "x", 0, 0, "x"},
    };
    for (const TTextRow& row : rows) {
        SCOPED_TRACE(row.Name);
        FormInit->EditPourSatCalAz->setText(QStringLiteral("3"));
        FormInit->EditPourSatCalAz->setText(QString::fromStdString(row.Text));
        EXPECT_EQ(StationSettings.CALAZ_POURSAT, row.Stored);
        EXPECT_EQ(FormInit->EditPourSatCalAz->text().toStdString(), row.TextAfter);
    }
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(SettingsWindowTest, ChoosingTheInterfaceStopsOnlyWhenItChanges)
{
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    CreateWindows();
    OpenWindow();
    ASSERT_EQ(FormInit->PageControlAntenne->currentWidget(), FormInit->TabSheetGS);
    ASSERT_TRUE(Form->CommPortDriverGS->OpenPort());
    LastSentAzimuth = 100;
    FormInit->RadioGroupRotor->Button(riGS232)->click();
    EXPECT_TRUE(Form->CommPortDriverGS->IsOpen());
    EXPECT_EQ(LastSentAzimuth, 100);

    FormInit->RadioGroupRotor->Button(riFODTrack)->click();
    EXPECT_EQ(GsDevice.ReadUntilQuiet(200), "S\r");
    EXPECT_FALSE(Form->CommPortDriverGS->IsOpen());
    EXPECT_EQ(StationSettings.ANT, riFODTrack);
    EXPECT_EQ(LastSentAzimuth, LastSentAzimuthReset);
    EXPECT_EQ(FormInit->PageControlAntenne->currentWidget(), FormInit->TabSheetFOD);
}

TEST_F(SettingsWindowTest, GoOnAnotherInterfacesTabOnlyBeeps)
{
    StationSettings.ANT = riFODTrack;
    StationSettings.LPT_POURSAT = 0;
    CreateWindows();
    OpenWindow();
    Form->EditAzimut->setText(QStringLiteral("10"));
    LastSentAzimuth = 10;
    FormInit->SpinEditTestPourSat->setValue(90);
    FormInit->BitBtnTestPourSat->click();
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_EQ(Form->EditAzimut->text(), QStringLiteral("10"));
    EXPECT_FALSE(TestCommandPending);
    EXPECT_EQ(LastSentAzimuth, 10);
    EXPECT_TRUE(PortCalls(TPortCallKind::EnablePorts).empty());
    EXPECT_TRUE(PortCalls(TPortCallKind::Outport).empty());
}

TEST_F(SettingsWindowTest, GoOnAParallelTabEnablesItsPortAndSends)
{
    StationSettings.ANT = riPourSat;
    StationSettings.LPT_POURSAT = 0;
    CreateWindows({{1, 0x378}});
    OpenWindow();
    FormInit->SpinEditTestPourSat->setValue(180);
    FormInit->BitBtnTestPourSat->click();
    const auto enables = PortCalls(TPortCallKind::EnablePorts);
    ASSERT_EQ(enables.size(), 1u);
    EXPECT_EQ(enables[0].Address, 0x378);
    EXPECT_EQ(enables[0].Last, 0x378);
    EXPECT_FALSE(TestCommandPending);
    EXPECT_EQ(Form->EditAzimut->text(), QStringLiteral("180"));
    EXPECT_FALSE(PortCalls(TPortCallKind::Outport).empty());
    EXPECT_EQ(LastSentAzimuth, 180);

    // Closing releases it.
    FormInit->close();
    const auto disables = PortCalls(TPortCallKind::DisablePorts);
    ASSERT_EQ(disables.size(), 1u);
    EXPECT_EQ(disables[0].Address, 0x378);
}

TEST_F(SettingsWindowTest, GoWithTheBoxsCurrentTextSendsNothingAndLeavesTheTestPending)
{
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    CreateWindows();
    OpenWindow();
    Form->EditAzimut->setText(QStringLiteral("90"));
    FormInit->SpinEditTestGS->setValue(90);
    FormInit->BitBtnTestGS->click();
    EXPECT_EQ(GsDevice.ReadUntilQuiet(200), "");
    EXPECT_TRUE(TestCommandPending);
    EXPECT_EQ(LastSentAzimuth, LastSentAzimuthReset);
    // The next change of the box goes out as the test command.
    Form->EditAzimut->setText(QStringLiteral("95"));
    EXPECT_EQ(GsDevice.ReadUntilQuiet(200), "W095\r");
    EXPECT_FALSE(TestCommandPending);
}

TEST_F(SettingsWindowTest, ATypedTestAzimuthIsBroughtIntoItsLimitsWhenTheBoxIsLeft)
{
    struct Row {
        const char* Typed;
        int Value;
    };
    const Row rows[] = {{"", 0}, {"-", 0}, {"460", 450}, {"-5", 0}, {"125", 125}};
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    CreateWindows();
    OpenWindow();
    TSpinEdit* spin = FormInit->SpinEditTestGS;
    QLineEdit* text = spin->findChild<QLineEdit*>();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Typed);
        spin->setValue(45);
        text->selectAll();
        QTest::keyClick(spin, Qt::Key_Backspace);
        QTest::keyClicks(spin, QString::fromLatin1(row.Typed));
        // Leaving the box settles the text.
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(spin, &leave);
        EXPECT_EQ(spin->value(), row.Value);
        EXPECT_EQ(text->text().toStdString(), std::to_string(row.Value));
    }

    // 450 goes to the main window, whose MAN refuses it.
    spin->setValue(45);
    text->selectAll();
    QTest::keyClicks(spin, QStringLiteral("460"));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(spin, &leave);
    FormInit->BitBtnTestGS->click();
    EXPECT_EQ(Form->EditAzimut->text().toStdString(), "450");
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_EQ(GsDevice.ReadUntilQuiet(200), "");
}

TEST_F(SettingsWindowTest, ParkingBoxRules)
{
    StationSettings.ANT = riGS232;
    CreateWindows();
    OpenWindow();

    // Another interface's box is refused and cleared, with one beep.
    FormInit->CheckBoxParkEasy->click();
    EXPECT_FALSE(FormInit->CheckBoxParkEasy->isChecked());
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_EQ(StationSettings.PARKING, 0);

    FormInit->SpinEditTestGS->setValue(45);
    FormInit->CheckBoxParkGS->click();
    EXPECT_EQ(StationSettings.PARKING, riGS232 + 1);
    EXPECT_EQ(StationSettings.AZIMUT_PARKING, 45);

    // Clearing the box keeps parking until the window closes.
    FormInit->SpinEditTestGS->setValue(50);
    FormInit->CheckBoxParkGS->click();
    EXPECT_EQ(StationSettings.PARKING, riGS232 + 1);
    EXPECT_EQ(StationSettings.AZIMUT_PARKING, 50);
    // Coming back to the window ticks it again.
    FormInit->FormActivate();
    EXPECT_TRUE(FormInit->CheckBoxParkGS->isChecked());
    EXPECT_EQ(FormInit->SpinEditTestGS->value(), 50);

    // Closing takes the azimuth shown then.
    FormInit->SpinEditTestGS->setValue(135);
    FormInit->close();
    EXPECT_FALSE(FormInit->isVisible());
    EXPECT_EQ(StationSettings.PARKING, riGS232 + 1);
    EXPECT_EQ(StationSettings.AZIMUT_PARKING, 135);

    // Cleared when closing, parking is off.
    OpenWindow();
    FormInit->CheckBoxParkGS->click();
    ASSERT_FALSE(FormInit->CheckBoxParkGS->isChecked());
    FormInit->close();
    EXPECT_EQ(StationSettings.PARKING, 0);
    EXPECT_EQ(Beeps.Count(), 1);
}

TEST_F(SettingsWindowTest, ActivationShowsTheParkingAzimuthRoundedHalfToEven)
{
    const struct {
        const char* Name;
        long double Stored;
        int Shown;
    } rows[] = {{"half down to even", 92.5L, 92}, {"half up to even", 93.5L, 94}, {"fraction", 10.4L, 10},
                {"beyond the limit", 500, 450}, {"negative", -3, 0}};
    StationSettings.ANT = riEasyComm;
    CreateWindows();
    OpenWindow();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        StationSettings.PARKING = riEasyComm + 1;
        StationSettings.AZIMUT_PARKING = row.Stored;
        FormInit->FormActivate();
        EXPECT_EQ(FormInit->SpinEditTestEasy->value(), row.Shown);
        EXPECT_TRUE(FormInit->CheckBoxParkEasy->isChecked());
    }
}

TEST_F(SettingsWindowTest, ActivationRunsAfterShowingAndOnReturnFromTheMainWindowOnly)
{
    StationSettings.ANT = riGS232;
    StationSettings.PARKING = riGS232 + 1;
    StationSettings.AZIMUT_PARKING = 90;
    CreateWindows();
    const auto focusTo = [](QWidget& window) {
        window.show();
        window.activateWindow();
        return RunEventsUntil([&] { return window.isActiveWindow(); }, 5000);
    };
    OpenWindow();
    ASSERT_TRUE(RunEventsUntil([&] { return FormInit->CheckBoxParkGS->isChecked(); }, 5000));
    EXPECT_EQ(FormInit->SpinEditTestGS->value(), 90);

    // Back from any other window: the operator's edits stay.
    FormInit->SpinEditTestGS->setValue(120);
    FormInit->CheckBoxParkGS->click();
    FormInit->SpinEditTestGS->setValue(130);
    QWidget otherWindow;
    ASSERT_TRUE(focusTo(otherWindow));
    ASSERT_TRUE(focusTo(*FormInit));
    WaitFor(50);
    EXPECT_EQ(FormInit->SpinEditTestGS->value(), 130);
    EXPECT_FALSE(FormInit->CheckBoxParkGS->isChecked());

    // Back from the main window: the parking choice is shown again.
    ASSERT_TRUE(focusTo(*Form));
    ASSERT_TRUE(focusTo(*FormInit));
    WaitFor(50);
    EXPECT_EQ(FormInit->SpinEditTestGS->value(), 120);
    EXPECT_TRUE(FormInit->CheckBoxParkGS->isChecked());
}

TEST_F(SettingsWindowTest, ParkingForAnotherInterfaceIsRefusedAndDroppedOnClose)
{
    StationSettings.ANT = riGS232;
    StationSettings.PARKING = riFODTrack + 1;
    StationSettings.AZIMUT_PARKING = 200;
    CreateWindows();
    OpenWindow();
    FormInit->FormActivate();
    EXPECT_EQ(FormInit->SpinEditTestFOD->value(), 200);
    EXPECT_FALSE(FormInit->CheckBoxParkFOD->isChecked());
    EXPECT_EQ(Beeps.Count(), 1);
    EXPECT_EQ(StationSettings.PARKING, riFODTrack + 1);
    FormInit->close();
    EXPECT_EQ(StationSettings.PARKING, 0);
}

TEST_F(SettingsWindowTest, ClosingSettlesTheTestAndRestartsTheFeedTimer)
{
    CreateWindows();
    OpenWindow();
    Form->TimerDDE->stop();
    TestCommandPending = true;
    FormInit->close();
    EXPECT_FALSE(TestCommandPending);
    EXPECT_TRUE(Form->TimerDDE->isActive());
    EXPECT_FALSE(FormInit->isVisible());
}

TEST_F(SettingsWindowTest, ClosingStopsTheSelectedSerialControllerWithItsOwnCommand)
{
    const struct {
        const char* Name;
        int Rotor;
        const char* TurnCommand;
        const char* StopCommand;
    } rows[] = {{"GS-232", riGS232, "W090\r", "S\r"}, {"EasyComm", riEasyComm, "AZ090.0\r", "SA\r"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        SetUp();
        Fakes = TFakeServices{};
        StationSettings.ANT = row.Rotor;
        StationSettings.PORT_GS232 = 0;
        StationSettings.PORT_EASYCOMM = 1;
        CreateWindows();
        OpenWindow();
        TPseudoTerminal& selected = row.Rotor == riGS232 ? GsDevice : EasyDevice;
        TPseudoTerminal& other = row.Rotor == riGS232 ? EasyDevice : GsDevice;
        TCommPortDriver* otherDriver = row.Rotor == riGS232 ? Form->CommPortDriverEasy : Form->CommPortDriverGS;
        (row.Rotor == riGS232 ? FormInit->SpinEditTestGS : FormInit->SpinEditTestEasy)->setValue(90);
        (row.Rotor == riGS232 ? FormInit->BitBtnTestGS : FormInit->BitBtnTestEasy)->click();
        EXPECT_EQ(selected.ReadUntilQuiet(200), row.TurnCommand);
        // The port of the interface not selected is closed without a word.
        ASSERT_TRUE(otherDriver->OpenPort());
        FormInit->close();
        EXPECT_EQ(selected.ReadUntilQuiet(200), row.StopCommand);
        EXPECT_EQ(other.ReadUntilQuiet(100), "");
        EXPECT_FALSE(Form->CommPortDriverGS->IsOpen());
        EXPECT_FALSE(Form->CommPortDriverEasy->IsOpen());
        TearDown();
    }
}

TEST_F(SettingsWindowTest, ReopeningRunsHandlersOnlyForChangedValues)
{
    StationSettings.ANT = riGS232;
    StationSettings.PORT_GS232 = 0;
    CreateWindows();
    OpenWindow();
    FormInit->close();
    LastSentAzimuth = 30;
    // Same settings: neither the interface handler (which would reset this) nor the port test
    // (which would find the port held and beep) runs.
    const int holder = ::open(GsDevice.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    FormInit->show();
    ::close(holder);
    EXPECT_EQ(LastSentAzimuth, 30);
    EXPECT_EQ(Beeps.Count(), 0);
    // The window kept its controls.
    EXPECT_EQ(FormInit->RadioGroupPortGS->ItemIndex(), 0);
}

}  // namespace
