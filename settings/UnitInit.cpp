// TFormInit: layout of the settings window, what showing and closing it settle, and its control handlers.
#include "settings/UnitInit.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

#include "app/FocusHistory.h"
#include "app/TimerEnable.h"
#include "app/Unit1.h"
#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "platform/Beep.h"
#include "serial/ComDrv32.h"
#include "settings/RadioGroup.h"
#include "settings/SpinEdit.h"

namespace {

const TInterfaceRow& RowOf(int rotor)
{
    return InterfaceRows[static_cast<std::size_t>(rotor)];
}

// The baud lists offer the first nine speeds of the table, so a list index is a speed value.
constexpr int BaudListCount = 9;

// Like a user edit, a text set by the program runs the change handler only when it differs.
void SetText(QLineEdit* edit, const std::string& text)
{
    const QString newText = QString::fromStdString(text);
    if (edit->text() != newText)
        edit->setText(newText);
}

// What is seen is what is heard: a field takes the name of the label beside it, without the label's
// closing ':' or '=', and keeps its explanation for the description.
void AddLabelFor(QWidget* field, const QString& text, int x, int y, const QString& description)
{
    auto* label = new QLabel(text, field->parentWidget());
    label->move(x, y);
    label->adjustSize();
    label->setBuddy(field);
    QString name = text.trimmed();
    if (name.endsWith(QLatin1Char(':')) || name.endsWith(QLatin1Char('=')))
        name.chop(1);
    field->setAccessibleName(name.trimmed());
    field->setAccessibleDescription(description);
}

}  // namespace

TFormInit::TFormInit(TForm1& form1, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , Form1(form1)
{
    setWindowTitle(QStringLiteral("TOLVANE"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    setFixedSize(442, 263);
    BuildControls();
    ConnectHandlers();
}

void TFormInit::BuildControls()
{
    RadioGroupRotor = new TRadioGroup(
        QStringLiteral("INTERFACE"),
        {QStringLiteral("PourSat"), QStringLiteral("FODTrack"), QStringLiteral("ARSIF"), QStringLiteral("GS232"),
         QStringLiteral("EasyComm")},
        this);
    RadioGroupRotor->setGeometry(8, 8, 96, 136);
    RadioGroupRotor->setAccessibleDescription(QStringLiteral("Rotator interface in use"));

    PageControlAntenne = new QTabWidget(this);
    PageControlAntenne->setGeometry(112, 8, 322, 247);
    // Narrower tabs than the style's own, so that all five captions fit without scroll arrows.
    PageControlAntenne->setUsesScrollButtons(false);
    PageControlAntenne->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 7px; } QTabBar::tab:!selected { margin-top: 2px; }"));
    TabSheetPourSat = new QWidget(PageControlAntenne);
    TabSheetFOD = new QWidget(PageControlAntenne);
    TabSheetARSIF = new QWidget(PageControlAntenne);
    TabSheetGS = new QWidget(PageControlAntenne);
    TabSheetEasy = new QWidget(PageControlAntenne);
    PageControlAntenne->addTab(TabSheetPourSat, QStringLiteral("PourSat"));
    PageControlAntenne->addTab(TabSheetFOD, QStringLiteral("FODTrack"));
    PageControlAntenne->addTab(TabSheetARSIF, QStringLiteral("ARSIF"));
    PageControlAntenne->addTab(TabSheetGS, QStringLiteral("GS-232"));
    PageControlAntenne->addTab(TabSheetEasy, QStringLiteral("EasyComm"));
    Pages[riPourSat].Tab = TabSheetPourSat;
    Pages[riFODTrack].Tab = TabSheetFOD;
    Pages[riARSIF].Tab = TabSheetARSIF;
    Pages[riGS232].Tab = TabSheetGS;
    Pages[riEasyComm].Tab = TabSheetEasy;

    BuildParallelTab(riPourSat);
    BuildParallelTab(riFODTrack);
    BuildArsifTab();
    BuildSerialTab(riGS232);
    BuildSerialTab(riEasyComm);
    PageControlAntenne->setCurrentWidget(TabSheetGS);

    const TInterfacePage& pourSat = Pages[riPourSat];
    RadioGroupPourSatLPT = pourSat.Lpt;
    EditPourSatCalAz = pourSat.CalAz;
    EditPourSatZero = pourSat.Zero;
    RadioGroupPourSatButee = pourSat.Stop;
    SpinEditStepPourSat = pourSat.Step;
    SpinEditTestPourSat = pourSat.TestAzimuth;
    BitBtnTestPourSat = pourSat.Go;
    CheckBoxParkPourSat = pourSat.Park;
    const TInterfacePage& fod = Pages[riFODTrack];
    RadioGroupFODLPT = fod.Lpt;
    EditFODCalAz = fod.CalAz;
    EditFODZero = fod.Zero;
    RadioGroupFODButee = fod.Stop;
    SpinEditStepFODtrack = fod.Step;
    SpinEditTestFOD = fod.TestAzimuth;
    BitBtnTestFOD = fod.Go;
    CheckBoxParkFOD = fod.Park;
    const TInterfacePage& arsif = Pages[riARSIF];
    RadioGroupARSIFbutee = arsif.Stop;
    SpinEditStepARSIF = arsif.Step;
    SpinEditTestARSIF = arsif.TestAzimuth;
    BitBtnTestARSIF = arsif.Go;
    CheckBoxParkARSIF = arsif.Park;
    const TInterfacePage& gs = Pages[riGS232];
    RadioGroupPortGS = gs.ComPort;
    ComboBoxBaudGS = gs.Baud;
    RadioGroupGSbutee = gs.Stop;
    SpinEditStepGS = gs.Step;
    SpinEditTestGS = gs.TestAzimuth;
    BitBtnTestGS = gs.Go;
    CheckBoxParkGS = gs.Park;
    const TInterfacePage& easy = Pages[riEasyComm];
    RadioGroupPortEasy = easy.ComPort;
    ComboBoxBaudEasy = easy.Baud;
    RadioGroupEasyButee = easy.Stop;
    SpinEditStepEasy = easy.Step;
    SpinEditTestEasy = easy.TestAzimuth;
    BitBtnTestEasy = easy.Go;
    CheckBoxParkEasy = easy.Park;
}

void TFormInit::BuildParallelTab(int rotor)
{
    TInterfacePage& page = Pages[static_cast<std::size_t>(rotor)];
    // Relabelled with the port addresses when the window shows.
    page.Lpt = new TRadioGroup(QStringLiteral("LPT port"),
                               {QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3")}, page.Tab);
    page.Lpt->setGeometry(8, 6, 116, 84);
    page.Lpt->setAccessibleDescription(QStringLiteral("Printer port of the interface"));
    BuildCommonControls(rotor, 134, 198);

    auto* calibration = new QGroupBox(QStringLiteral("Calibration"), page.Tab);
    calibration->setGeometry(8, 94, 296, 50);
    page.CalAz = new QLineEdit(calibration);
    page.CalAz->setGeometry(64, 19, 74, 21);
    AddLabelFor(page.CalAz, QStringLiteral("Bit/°Az = "), 8, 23,
             QStringLiteral("Calibration: position steps per degree of azimuth"));
    page.Zero = new QLineEdit(calibration);
    page.Zero->setGeometry(214, 19, 74, 21);
    AddLabelFor(page.Zero, QStringLiteral("Zero/°Az= "), 146, 23, QStringLiteral("Calibration: azimuth at position zero"));
}

void TFormInit::BuildArsifTab()
{
    BuildCommonControls(riARSIF, 8, 72);
    LabelARSIFCaution = new QLabel(QStringLiteral("CAUTION : ARSWIN must be running"), TabSheetARSIF);
    QFont font = LabelARSIFCaution->font();
    font.setBold(true);
    LabelARSIFCaution->setFont(font);
    QPalette palette = LabelARSIFCaution->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    LabelARSIFCaution->setPalette(palette);
    LabelARSIFCaution->setGeometry(8, 110, 296, 20);
    LabelARSIFCaution->setAlignment(Qt::AlignCenter);
}

void TFormInit::BuildSerialTab(int rotor)
{
    TInterfacePage& page = Pages[static_cast<std::size_t>(rotor)];
    page.ComPort = new TRadioGroup(
        QStringLiteral("COM Port"),
        {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4")}, page.Tab);
    page.ComPort->setGeometry(8, 6, 80, 104);
    page.ComPort->setAccessibleDescription(QStringLiteral("Serial port of the controller"));

    page.Baud = new QComboBox(page.Tab);
    for (int i = 0; i < BaudListCount; ++i)
        page.Baud->addItem(QString::fromLatin1(BaudRateText[static_cast<std::size_t>(i)]));
    // Nothing is selected until a stored speed matches; the box shows the design text meanwhile.
    page.Baud->setPlaceholderText(QStringLiteral("4800"));
    page.Baud->setCurrentIndex(-1);
    page.Baud->setMaxVisibleItems(BaudListCount);
    page.Baud->setGeometry(98, 26, 72, 22);
    AddLabelFor(page.Baud, QStringLiteral("Bauds"), 98, 10, QStringLiteral("Serial speed in bauds"));

    BuildCommonControls(rotor, 182, 244);
}

void TFormInit::BuildCommonControls(int rotor, int stopX, int stepX)
{
    TInterfacePage& page = Pages[static_cast<std::size_t>(rotor)];
    page.Stop = new TRadioGroup(QStringLiteral("Stop"), {QStringLiteral("N"), QStringLiteral("S")}, page.Tab);
    page.Stop->setGeometry(stopX, 6, 52, 62);
    page.Stop->SetItemIndex(0);
    page.Stop->setAccessibleDescription(QStringLiteral("Mechanical end stop"));
    page.Stop->Button(0)->setAccessibleName(QStringLiteral("N: north"));
    page.Stop->Button(1)->setAccessibleName(QStringLiteral("S: south"));

    page.Step = new TSpinEdit(0, 5, 1, 1, TSpinEdit::TTyping::ArrowsOnly, page.Tab);
    page.Step->setGeometry(stepX, 26, 52, 22);
    AddLabelFor(page.Step, QStringLiteral("Min Delta°"), stepX, 10, QStringLiteral("Minimum step in degrees"));

    auto* test = new QGroupBox(QStringLiteral("Test && Parking"), page.Tab);
    test->setGeometry(8, 150, 296, 56);
    page.TestAzimuth = new TSpinEdit(0, 450, 5, 0, TSpinEdit::TTyping::Typeable, test);
    page.TestAzimuth->setGeometry(32, 22, 60, 22);
    AddLabelFor(page.TestAzimuth, QStringLiteral("Az:"), 10, 26, QStringLiteral("Test and parking azimuth"));
    page.Go = new QPushButton(QStringLiteral("GO"), test);
    page.Go->setGeometry(102, 19, 48, 27);
    page.Go->setAccessibleName(QStringLiteral("GO: send the test azimuth"));
    page.Park = new QCheckBox(QStringLiteral("use for parking"), test);
    page.Park->move(168, 24);
    page.Park->adjustSize();
    page.Park->setAccessibleDescription(QStringLiteral("Park the antenna at this azimuth on exit"));
}

void TFormInit::ConnectHandlers()
{
    connect(RadioGroupRotor, &TRadioGroup::Click, this, &TFormInit::RadioGroupRotorClick);
    connect(RadioGroupPourSatLPT, &TRadioGroup::Click, this, &TFormInit::RadioGroupPourSatLPTClick);
    connect(RadioGroupFODLPT, &TRadioGroup::Click, this, &TFormInit::RadioGroupFODLPTClick);
    connect(EditPourSatCalAz, &QLineEdit::textChanged, this, &TFormInit::EditPourSatCalAzChange);
    connect(EditPourSatZero, &QLineEdit::textChanged, this, &TFormInit::EditPourSatZeroChange);
    connect(EditFODCalAz, &QLineEdit::textChanged, this, &TFormInit::EditFODCalAzChange);
    connect(EditFODZero, &QLineEdit::textChanged, this, &TFormInit::EditFODZeroChange);
    connect(RadioGroupPortGS, &TRadioGroup::Click, this, &TFormInit::RadioGroupPortGSClick);
    connect(RadioGroupPortEasy, &TRadioGroup::Click, this, &TFormInit::RadioGroupPortEasyClick);
    connect(RadioGroupPourSatButee, &TRadioGroup::Click, this, &TFormInit::RadioGroupPourSatButeeClick);
    connect(RadioGroupFODButee, &TRadioGroup::Click, this, &TFormInit::RadioGroupFODButeeClick);
    connect(RadioGroupARSIFbutee, &TRadioGroup::Click, this, &TFormInit::RadioGroupARSIFbuteeClick);
    connect(RadioGroupGSbutee, &TRadioGroup::Click, this, &TFormInit::RadioGroupGSbuteeClick);
    connect(RadioGroupEasyButee, &TRadioGroup::Click, this, &TFormInit::RadioGroupEasyButeeClick);
    connect(SpinEditStepPourSat, &QSpinBox::valueChanged, this, &TFormInit::SpinEditStepPourSatChange);
    connect(SpinEditStepFODtrack, &QSpinBox::valueChanged, this, &TFormInit::SpinEditStepFODtrackChange);
    connect(SpinEditStepARSIF, &QSpinBox::valueChanged, this, &TFormInit::SpinEditStepARSIFChange);
    connect(SpinEditStepGS, &QSpinBox::valueChanged, this, &TFormInit::SpinEditStepGSChange);
    connect(SpinEditStepEasy, &QSpinBox::valueChanged, this, &TFormInit::SpinEditStepEasyChange);
    // Only a pick from the list: a selection set by the program runs nothing.
    connect(ComboBoxBaudGS, &QComboBox::activated, this, &TFormInit::ComboBoxBaudGSClick);
    connect(ComboBoxBaudEasy, &QComboBox::activated, this, &TFormInit::ComboBoxBaudEasyClick);
    connect(BitBtnTestPourSat, &QPushButton::clicked, this, &TFormInit::BitBtnTestPourSatClick);
    connect(BitBtnTestFOD, &QPushButton::clicked, this, &TFormInit::BitBtnTestFODClick);
    connect(BitBtnTestARSIF, &QPushButton::clicked, this, &TFormInit::BitBtnTestARSIFClick);
    connect(BitBtnTestGS, &QPushButton::clicked, this, &TFormInit::BitBtnTestGSClick);
    connect(BitBtnTestEasy, &QPushButton::clicked, this, &TFormInit::BitBtnTestEasyClick);
    // toggled, not clicked: a box ticked by the program runs the handler too, when its state changes.
    connect(CheckBoxParkPourSat, &QCheckBox::toggled, this, &TFormInit::CheckBoxParkPourSatClick);
    connect(CheckBoxParkFOD, &QCheckBox::toggled, this, &TFormInit::CheckBoxParkFODClick);
    connect(CheckBoxParkARSIF, &QCheckBox::toggled, this, &TFormInit::CheckBoxParkARSIFClick);
    connect(CheckBoxParkGS, &QCheckBox::toggled, this, &TFormInit::CheckBoxParkGSClick);
    connect(CheckBoxParkEasy, &QCheckBox::toggled, this, &TFormInit::CheckBoxParkEasyClick);
}

// Window events ------------------------------------------------------------------------------------------

bool TFormInit::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate) {
        // Coming back from another program must not undo the operator's edits.
        const bool run = ActivationAfterShowPending
                         || Form1.FocusHistory().CameFrom(windowHandle()) == Form1.windowHandle();
        ActivationAfterShowPending = false;
        if (run)
            FormActivate();
    }
    return handled;
}

void TFormInit::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored from the task bar sends a spontaneous show; only the program's show counts.
    if (!event->spontaneous()) {
        FormShow();
        ActivationAfterShowPending = true;
    }
}

void TFormInit::closeEvent(QCloseEvent* event)
{
    FormClose();
    // Accepted without the delete-on-close attribute, the window is only hidden and keeps its controls.
    event->accept();
}

void TFormInit::FormShow()
{
    const TStationSettings& s = StationSettings;
    RadioGroupRotor->SetItemIndex(s.ANT);
    ShowParallelTab(riPourSat);
    ShowParallelTab(riFODTrack);
    RadioGroupARSIFbutee->SetItemIndex(s.STOP_ARSIF);
    SpinEditStepARSIF->setValue(s.STEP_ARSIF);
    ShowSerialTab(riGS232);
    ShowSerialTab(riEasyComm);
    if (s.ANT >= riPourSat && s.ANT <= riEasyComm)
        PageControlAntenne->setCurrentWidget(Pages[static_cast<std::size_t>(s.ANT)].Tab);
}

void TFormInit::ShowParallelTab(int rotor)
{
    const TInterfacePage& page = Pages[static_cast<std::size_t>(rotor)];
    const TInterfaceRow& row = RowOf(rotor);
    const TStationSettings& s = StationSettings;
    page.Lpt->SetItemIndex(s.*row.Port);
    page.Stop->SetItemIndex(s.*row.EndStop);
    page.Step->setValue(s.*row.Step);
    SetText(page.CalAz, FormatGeneral(s.*row.CalAz, 7));
    SetText(page.Zero, FormatGeneral(s.*row.Zero, 7));
    RelabelLptItems(page.Lpt);
}

void TFormInit::ShowSerialTab(int rotor)
{
    const TInterfacePage& page = Pages[static_cast<std::size_t>(rotor)];
    const TInterfaceRow& row = RowOf(rotor);
    page.ComPort->SetItemIndex(StationSettings.*row.Port);
    page.Stop->SetItemIndex(StationSettings.*row.EndStop);
    page.Step->setValue(StationSettings.*row.Step);
    for (int i = 0; i < page.Baud->count(); ++i) {
        if (page.Baud->itemText(i).toStdString() == StationSettings.*row.Baud) {
            page.Baud->setCurrentIndex(i);
            BaudClick(rotor);
        }
    }
    StationSettings.*row.BaudIndex = page.Baud->currentIndex();
}

void TFormInit::RelabelLptItems(TRadioGroup* group)
{
    for (int n = 1; n <= 3; ++n) {
        const std::uint16_t address = LptBaseAddress[static_cast<std::size_t>(n - 1)];
        const QString hex = QStringLiteral("%1").arg(address, 3, 16, QLatin1Char('0')).toUpper();
        group->SetItemText(n - 1, QStringLiteral("LPT%1 [%2h]").arg(n).arg(hex));
    }
}

void TFormInit::FormActivate()
{
    const TStationSettings& s = StationSettings;
    if (s.PARKING < 1 || s.PARKING > 5)
        return;
    const TInterfacePage& page = Pages[static_cast<std::size_t>(s.PARKING - 1)];
    // Bounded first so that a wild stored azimuth cannot overflow the integer conversion.
    const long double azimuth = std::clamp(s.AZIMUT_PARKING, -1.0L, 451.0L);
    page.TestAzimuth->setValue(static_cast<int>(RoundToInteger(azimuth)));
    page.Park->setChecked(true);
}

void TFormInit::FormClose()
{
    if (Form1.PortIO().IsWinNT()) {
        for (const TRadioGroup* group : {RadioGroupPourSatLPT, RadioGroupFODLPT}) {
            if (group->ItemIndex() < 0)
                continue;
            const std::uint16_t base = LptBaseAddress[static_cast<std::size_t>(group->ItemIndex())];
            Form1.PortIO().DisablePorts(base, base);
        }
    }
    for (const int rotor : {riGS232, riEasyComm}) {
        TCommPortDriver* driver = SerialDriver(rotor);
        if (!driver->IsOpen())
            continue;
        // Each controller gets its own stop command: GS-232 does not know EasyComm's "SA".
        if (RadioGroupRotor->ItemIndex() == rotor)
            driver->WriteText(RowOf(rotor).StopText());
        driver->ClosePort();
    }
    TestCommandPending = false;
    StationSettings.PARKING = 0;
    const int rotor = RadioGroupRotor->ItemIndex();
    if (rotor >= 0 && Pages[static_cast<std::size_t>(rotor)].Park->isChecked()) {
        StationSettings.PARKING = rotor + 1;
        StationSettings.AZIMUT_PARKING = TestAzimuth(rotor);
    }
    EnableTimer(Form1.TimerDDE);
    hide();
}

// Control handlers ---------------------------------------------------------------------------------------

void TFormInit::RadioGroupRotorClick()
{
    const int rotor = RadioGroupRotor->ItemIndex();
    if (rotor < 0)
        return;
    Form1.stop_all();
    PageControlAntenne->setCurrentWidget(Pages[static_cast<std::size_t>(rotor)].Tab);
    StationSettings.ANT = rotor;
    LastSentAzimuth = LastSentAzimuthReset;
}

void TFormInit::LptClick(int rotor)
{
    TRadioGroup* group = Pages[static_cast<std::size_t>(rotor)].Lpt;
    RelabelLptItems(group);
    const int index = group->ItemIndex();
    if (index >= 0 && LptBaseAddress[static_cast<std::size_t>(index)] != 0) {
        StationSettings.*RowOf(rotor).Port = index;
        return;
    }
    group->SetItemIndex(-1);
    StationSettings.*RowOf(rotor).Port = -1;
    MessageBeep();
}

void TFormInit::CalAzChange(int rotor)
{
    long double& calibration = StationSettings.*RowOf(rotor).CalAz;
    long double value = 0;
    calibration = TryStrToFloat(Pages[static_cast<std::size_t>(rotor)].CalAz->text().toStdString(), value)
                      ? value
                      : 0;
}

void TFormInit::ZeroChange(int rotor)
{
    QLineEdit* edit = Pages[static_cast<std::size_t>(rotor)].Zero;
    long double& zero = StationSettings.*RowOf(rotor).Zero;
    long double value = 0;
    if (!TryStrToFloat(edit->text().toStdString(), value)) {
        zero = 0;
        return;
    }
    zero = value;
    if (value > 90 || value < -90) {
        MessageBeep();
        zero = 0;
        edit->clear();
    }
}

void TFormInit::ComPortClick(int rotor)
{
    TRadioGroup* group = Pages[static_cast<std::size_t>(rotor)].ComPort;
    const TInterfaceRow& row = RowOf(rotor);
    TCommPortDriver* driver = SerialDriver(rotor);
    if (driver->IsOpen())
        row.Stop();
    const int index = group->ItemIndex();
    driver->SetComPort(index);
    if (driver->OpenPort()) {
        driver->ClosePort();
        StationSettings.*row.Port = index;
        return;
    }
    MessageBeep();
    group->SetItemIndex(-1);
    StationSettings.*row.Port = -1;
}

void TFormInit::StopClick(int rotor)
{
    StationSettings.*RowOf(rotor).EndStop = Pages[static_cast<std::size_t>(rotor)].Stop->ItemIndex();
}

void TFormInit::StepChange(int rotor)
{
    StationSettings.*RowOf(rotor).Step = Pages[static_cast<std::size_t>(rotor)].Step->value();
}

void TFormInit::BaudClick(int rotor)
{
    const QComboBox* list = Pages[static_cast<std::size_t>(rotor)].Baud;
    const TInterfaceRow& row = RowOf(rotor);
    TCommPortDriver* driver = SerialDriver(rotor);
    const int index = list->currentIndex();
    driver->ClosePort();
    driver->SetComPortSpeed(index);
    StationSettings.*row.BaudIndex = index;
    StationSettings.*row.Baud = list->currentText().toStdString();
}

void TFormInit::TestClick(int rotor)
{
    if (RadioGroupRotor->ItemIndex() != rotor) {
        MessageBeep();
        return;
    }
    const TRadioGroup* lpt = Pages[static_cast<std::size_t>(rotor)].Lpt;
    if (lpt && Form1.PortIO().IsWinNT() && lpt->ItemIndex() >= 0) {
        const std::uint16_t base = LptBaseAddress[static_cast<std::size_t>(lpt->ItemIndex())];
        Form1.PortIO().EnablePorts(base, base);
    }
    LastSentAzimuth = LastSentAzimuthReset;
    TestCommandPending = true;
    // The box's change handler sends it; an unchanged text sends nothing and leaves the test pending.
    Form1.EditAzimut->setText(QString::number(TestAzimuth(rotor)));
}

void TFormInit::ParkClick(int rotor)
{
    QCheckBox* box = Pages[static_cast<std::size_t>(rotor)].Park;
    if (RadioGroupRotor->ItemIndex() != rotor) {
        // Cleared quietly: clearing the box must not run this handler, and beep, a second time.
        const QSignalBlocker blocker(box);
        box->setChecked(false);
        MessageBeep();
        return;
    }
    StationSettings.PARKING = rotor + 1;
    StationSettings.AZIMUT_PARKING = TestAzimuth(rotor);
}

TCommPortDriver* TFormInit::SerialDriver(int rotor) const
{
    return DriverContext.*RowOf(rotor).SerialPort;
}

int TFormInit::TestAzimuth(int rotor) const
{
    return Pages[static_cast<std::size_t>(rotor)].TestAzimuth->value();
}

// Published handlers, one per control ----------------------------------------------------------------------

void TFormInit::RadioGroupPourSatLPTClick() { LptClick(riPourSat); }
void TFormInit::RadioGroupFODLPTClick() { LptClick(riFODTrack); }
void TFormInit::EditPourSatCalAzChange() { CalAzChange(riPourSat); }
void TFormInit::EditPourSatZeroChange() { ZeroChange(riPourSat); }
void TFormInit::EditFODCalAzChange() { CalAzChange(riFODTrack); }
void TFormInit::EditFODZeroChange() { ZeroChange(riFODTrack); }
void TFormInit::RadioGroupPortGSClick() { ComPortClick(riGS232); }
void TFormInit::RadioGroupPortEasyClick() { ComPortClick(riEasyComm); }
void TFormInit::RadioGroupPourSatButeeClick() { StopClick(riPourSat); }
void TFormInit::RadioGroupFODButeeClick() { StopClick(riFODTrack); }
void TFormInit::RadioGroupARSIFbuteeClick() { StopClick(riARSIF); }
void TFormInit::RadioGroupGSbuteeClick() { StopClick(riGS232); }
void TFormInit::RadioGroupEasyButeeClick() { StopClick(riEasyComm); }
void TFormInit::SpinEditStepPourSatChange() { StepChange(riPourSat); }
void TFormInit::SpinEditStepFODtrackChange() { StepChange(riFODTrack); }
void TFormInit::SpinEditStepARSIFChange() { StepChange(riARSIF); }
void TFormInit::SpinEditStepGSChange() { StepChange(riGS232); }
void TFormInit::SpinEditStepEasyChange() { StepChange(riEasyComm); }
void TFormInit::ComboBoxBaudGSClick() { BaudClick(riGS232); }
void TFormInit::ComboBoxBaudEasyClick() { BaudClick(riEasyComm); }
void TFormInit::BitBtnTestPourSatClick() { TestClick(riPourSat); }
void TFormInit::BitBtnTestFODClick() { TestClick(riFODTrack); }
void TFormInit::BitBtnTestARSIFClick() { TestClick(riARSIF); }
void TFormInit::BitBtnTestGSClick() { TestClick(riGS232); }
void TFormInit::BitBtnTestEasyClick() { TestClick(riEasyComm); }
void TFormInit::CheckBoxParkPourSatClick() { ParkClick(riPourSat); }
void TFormInit::CheckBoxParkFODClick() { ParkClick(riFODTrack); }
void TFormInit::CheckBoxParkARSIFClick() { ParkClick(riARSIF); }
void TFormInit::CheckBoxParkGSClick() { ParkClick(riGS232); }
void TFormInit::CheckBoxParkEasyClick() { ParkClick(riEasyComm); }
