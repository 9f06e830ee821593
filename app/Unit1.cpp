// TForm1: construction and layout of the main window, activation, caption, Init menu and shut-down.
#include "app/Unit1.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <limits>

#include "app/CompassWindow.h"
#include "app/FocusHistory.h"
#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/ArswinDriver.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "drivers/HeadingPoll.h"
#include "platform/MessageBoxes.h"
#include "serial/ComDrv32.h"
#include "widgets/HeadingLine.h"
#include "widgets/Lcd99.h"
#include "widgets/SpinButton.h"

namespace {

// The four buttons of the panel share the look of MAN.
QFont CommandButtonFont()
{
    QFont font(QStringLiteral("Liberation Sans"), 10);
    font.setBold(true);
    return font;
}

// A tool button that stays down until pressed again; the click handler moves it, not Qt.
class TLatchingToolButton : public QToolButton {
public:
    using QToolButton::QToolButton;

protected:
    void nextCheckState() override {}
};

QPixmap LedPixmap(const QColor& discColour)
{
    QPixmap pixmap(30, 30);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(64, 0, 0), 1));
    painter.setBrush(discColour);
    painter.drawEllipse(QRectF(2.5, 2.5, 25, 25));
    return pixmap;
}

}  // namespace

TForm1::TForm1(TPlatformServices services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , Services(std::move(services))
{
    setWindowTitle(QStringLiteral("TOLVANE"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    // The folder in force now is Tolvane's folder, the program's or the data folder, entered before any
    // window exists; the configuration is saved there whatever the working folder is by then.
    WorkingFolder = QDir::currentPath();

    CommPortDriverGS = new TCommPortDriver(this);
    CommPortDriverGS->SetComPortSpeed(br110);
    CommPortDriverEasy = new TCommPortDriver(this);

    BuildMenu();
    BuildControls();

    TimerBlink = new QTimer(this);
    TimerBlink->setInterval(300);
    connect(TimerBlink, &QTimer::timeout, this, &TForm1::TimerBlinkTimer);
    TimerTrackOK = new QTimer(this);
    TimerTrackOK->setInterval(3600);
    connect(TimerTrackOK, &QTimer::timeout, this, &TForm1::TimerTrackOKTimer);
    TimerTrackOK->start();
    TimerDDE = new QTimer(this);
    TimerDDE->setInterval(1000);
    connect(TimerDDE, &QTimer::timeout, this, &TForm1::TimerDDETimer);
    TimerDDE->start();

    SetUpDriverContext();
    ConnectFeed();
    BuildHeadingControls();
    BuildCompassControls();

    Focus = new TFocusHistory(this);
    // A session that ends the application still gets the shut-down, once.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TForm1::FormClose);

    SetOuterSize(OuterSize);
    move(288, 102);
    FormCreate();
}

TForm1::~TForm1()
{
    if (DriverContext.CommPortDriverGS == CommPortDriverGS)
        DriverContext = TDriverContext{};
    if (DdeClientConv().OnOpen) {
        DdeClientConv().OnOpen = nullptr;
        DdeClientConv().OnClose = nullptr;
        DdeClientConv().OnItemChange = nullptr;
    }
}

void TForm1::BuildMenu()
{
    QMenuBar* bar = menuBar();

    MenuQuitter = new QAction(QStringLiteral("&Quit"), this);
    MenuQuitter->setShortcut(QKeySequence(Qt::Key_F4));
    connect(MenuQuitter, &QAction::triggered, this, &TForm1::MenuQuitterClick);
    bar->addAction(MenuQuitter);

    MenuInit = new QAction(QStringLiteral("&Init"), this);
    connect(MenuInit, &QAction::triggered, this, &TForm1::MenuInitClick);
    bar->addAction(MenuInit);

    MenuLangue = bar->addMenu(QStringLiteral("&Language"));
    auto* languageGroup = new QActionGroup(this);
    languageGroup->setExclusive(true);
    MenuEnglish = new QAction(QStringLiteral("&English"), languageGroup);
    MenuEnglish->setCheckable(true);
    MenuEnglish->setChecked(true);
    connect(MenuEnglish, &QAction::triggered, this, &TForm1::MenuEnglishClick);
    MenuFrancais = new QAction(QStringLiteral("&Français"), languageGroup);
    MenuFrancais->setCheckable(true);
    connect(MenuFrancais, &QAction::triggered, this, &TForm1::MenuFrancaisClick);
    MenuLangue->addAction(MenuEnglish);
    MenuLangue->addAction(MenuFrancais);

    MenuHelp = bar->addMenu(QStringLiteral("?"));
    MenuAide = new QAction(QStringLiteral("Help"), this);
    MenuAide->setShortcut(QKeySequence(Qt::Key_F1));
    connect(MenuAide, &QAction::triggered, this, &TForm1::MenuAideClick);
    MenuAPropos = new QAction(QStringLiteral("About Tolvane"), this);
    connect(MenuAPropos, &QAction::triggered, this, &TForm1::MenuAProposClick);
    MenuHelp->addAction(MenuAide);
    MenuHelp->addAction(MenuAPropos);
    // Shortcuts of actions inside a closed menu only fire when the window itself holds them.
    addAction(MenuQuitter);
    addAction(MenuAide);
}

void TForm1::BuildControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    // Bottom of the stack: the azimuth box, the carrier of the text, covered by the panel.
    EditAzimut = new QLineEdit(client);
    EditAzimut->setGeometry(24, 24, 49, 21);
    EditAzimut->setFocusPolicy(Qt::NoFocus);
    // The feed's text goes in whole: cut at Qt's default 32767, a long text could read as a number.
    EditAzimut->setMaxLength(std::numeric_limits<int>::max());
    connect(EditAzimut, &QLineEdit::textChanged, this, &TForm1::EditAzimutChange);

    LabelEtatInterface = new QLabel(QStringLiteral("commande"), client);
    LabelEtatInterface->setFont(QFont(QStringLiteral("Liberation Sans"), 8));
    LabelEtatInterface->move(16, 63);
    LabelEtatInterface->hide();

    PanelLampe = new QFrame(client);
    PanelLampe->setGeometry(10, 10, 361, 45);
    // Two lowered bevels of width 2 read as one sunken edge of width 4.
    PanelLampe->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelLampe->setLineWidth(4);
    QPalette panelPalette = PanelLampe->palette();
    panelPalette.setColor(QPalette::Window, Qt::black);
    panelPalette.setColor(QPalette::Light, QColor(255, 255, 255));
    panelPalette.setColor(QPalette::Dark, QColor(128, 128, 128));
    panelPalette.setColor(QPalette::Mid, QColor(160, 160, 160));
    panelPalette.setColor(QPalette::Midlight, QColor(223, 223, 223));
    panelPalette.setColor(QPalette::Shadow, QColor(64, 64, 64));
    PanelLampe->setPalette(panelPalette);
    PanelLampe->setAutoFillBackground(true);

    LCDAzi = new TLCD99(PanelLampe);
    LCDAzi->setGeometry(8, 6, 92, 32);
    LCDAzi->SetDigitNum(3);
    LCDAzi->SetSegmentSize(3);
    LCDAzi->SetColor(0x000000);
    LCDAzi->SetValue("0");

    const QFont buttonFont = CommandButtonFont();
    ButtonTrack = new QPushButton(QStringLiteral("MAN"), PanelLampe);
    ButtonTrack->setGeometry(141, 5, 42, 36);
    ButtonTrack->setFont(buttonFont);
    connect(ButtonTrack, &QPushButton::clicked, this, &TForm1::ButtonTrackClick);

    SpeedButtonAuto = new TLatchingToolButton(PanelLampe);
    SpeedButtonAuto->setText(QStringLiteral("AUTO"));
    SpeedButtonAuto->setGeometry(183, 5, 42, 36);
    SpeedButtonAuto->setFont(buttonFont);
    SpeedButtonAuto->setCheckable(true);
    SpeedButtonAuto->setFocusPolicy(Qt::NoFocus);
    // Latched down must be plain to see: sunken and lit.
    SpeedButtonAuto->setStyleSheet(QStringLiteral(
        "QToolButton:checked { background-color: #7ccf6a; border: 2px inset #404040;"
        " padding-top: 2px; padding-left: 2px; }"));
    connect(SpeedButtonAuto, &QToolButton::clicked, this, &TForm1::SpeedButtonAutoClick);

    BitBtnStop = new QPushButton(QStringLiteral("STOP"), PanelLampe);
    BitBtnStop->setGeometry(225, 5, 42, 36);
    BitBtnStop->setFont(buttonFont);
    connect(BitBtnStop, &QPushButton::clicked, this, &TForm1::BitBtnStopClick);

    SpeedButtonLP = new QToolButton(PanelLampe);
    SpeedButtonLP->setText(QStringLiteral("LP"));
    SpeedButtonLP->setGeometry(267, 5, 42, 36);
    SpeedButtonLP->setFont(buttonFont);
    SpeedButtonLP->setFocusPolicy(Qt::NoFocus);
    connect(SpeedButtonLP, &QToolButton::clicked, this, &TForm1::SpeedButtonLPClick);

    ImageLEDOff = new QLabel(PanelLampe);
    ImageLEDOff->setGeometry(322, 7, 31, 31);
    ImageLEDOff->setPixmap(LedPixmap(QColor(128, 0, 0)));
    ImageLedOn = new QLabel(PanelLampe);
    ImageLedOn->setGeometry(322, 7, 31, 31);
    ImageLedOn->setPixmap(LedPixmap(QColor(255, 0, 0)));
    ImageLedOn->hide();

    // Top of the stack, over the panel's edge, between the readout and MAN.
    SpinButtonAzi = new TSpinButton(client);
    SpinButtonAzi->setGeometry(120, 16, 25, 34);
    connect(SpinButtonAzi, &TSpinButton::UpClick, this, &TForm1::SpinButtonAziUpClick);
    connect(SpinButtonAzi, &TSpinButton::DownClick, this, &TForm1::SpinButtonAziDownClick);

    EditAzimut->lower();
    PanelLampe->raise();
    SpinButtonAzi->raise();

    NameControlsForScreenReaders(false);
}

void TForm1::SetUpDriverContext()
{
    DriverContext.PortIO = Services.PortIO.get();
    DriverContext.WindowMessages = Services.WindowMessages.get();
    DriverContext.CommPortDriverGS = CommPortDriverGS;
    DriverContext.CommPortDriverEasy = CommPortDriverEasy;
    DriverContext.SetLabelEtatInterface = [this](const std::string& text) {
        LabelEtatInterface->setText(QString::fromStdString(text));
    };
    DriverContext.ShowArswinNotRunning = [this]() {
        ShowMessageBox(this, TMessageKind::Warning, "Avertissement", MsgArswinNotRunning);
    };
}

void TForm1::ConnectFeed()
{
    DdeClientConv().OnOpen = [this]() { DdeClientConvOpen(); };
    DdeClientConv().OnClose = [this]() { DdeClientConvClose(); };
    DdeClientConv().OnItemChange = [this](const std::string& text) { DdeClientItemChange(text); };
}

void TForm1::FormCreate()
{
    for (int n = 1; n <= 3; ++n)
        LptBaseAddress[static_cast<std::size_t>(n - 1)] = PortIO().GetLPTPortAddress(n);
    if (ConfigFileFound)
        ReadConfiguration();
}

void TForm1::SetFormInit(QWidget* formInit)
{
    FormInit = formInit;
    if (FormInit)
        FormInit->installEventFilter(this);
}

bool TForm1::ActivationComesFromProgram() const
{
    // The focus may pass through another program's window between the close and the return.
    if (!EverActivated || SettingsWindowClosedSinceActivation)
        return true;
    const QWindow* cameFrom = Focus->CameFrom(windowHandle());
    if (cameFrom == nullptr)
        return false;
    // Of this program's windows only the settings window counts: coming back from a message
    // box or the help viewer is no return from another form.
    if (FormInit)
        return FormInit->windowHandle() == cameFrom;
    return true;
}

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate) {
        const bool run = ActivationComesFromProgram();
        EverActivated = true;
        SettingsWindowClosedSinceActivation = false;
        if (run)
            FormActivate();
    }
    return QMainWindow::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // A spontaneous hide is the window manager minimising the window, not a close.
    if (watched == FormInit && event->type() == QEvent::Hide && !event->spontaneous()) {
        SettingsWindowClosedSinceActivation = true;
        // Once the settings window's own closing has stopped and closed its ports.
        QTimer::singleShot(0, this, &TForm1::UpdateHeadingPoll);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::SetOuterSize(const QSize& size)
{
    OuterSize = size;
    HeadingGrowth = 0;
    resize(size.shrunkBy(windowHandle() ? windowHandle()->frameMargins() : QMargins()));
    if (LabelHeading)
        FitHeadingLine();
}

void TForm1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // A window manager frames the window after it is shown, which moves the client area inside
    // the frame: from then on the frame, not the client area, has the configured size.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (!OuterSizeFramed && !frame.isNull()) {
        OuterSizeFramed = true;
        SetOuterSize(OuterSize);
    }
}

void TForm1::FormActivate()
{
    if (StationSettings.GS232BaudIndex != -1)
        CommPortDriverGS->SetComPortSpeed(StationSettings.GS232BaudIndex);
    if (StationSettings.EasyCommBaudIndex != -1)
        CommPortDriverEasy->SetComPortSpeed(StationSettings.EasyCommBaudIndex);
    if (StationSettings.PORT_GS232 != -1)
        CommPortDriverGS->SetComPort(StationSettings.PORT_GS232);
    if (StationSettings.PORT_EASYCOMM != -1)
        CommPortDriverEasy->SetComPort(StationSettings.PORT_EASYCOMM);
    show_interface_status();
    if (!FeedLinkOpen)
        FeedLinkAttempt();
    UpdateHeadingPoll();
}

void TForm1::show_interface_status()
{
    // With no interface chosen the caption stays as it is.
    if (const std::optional<std::string> caption = InterfaceCaption(StationSettings))
        setWindowTitle(QString::fromStdString(*caption));
}

void TForm1::MenuInitClick()
{
    // The settings window tests the ports itself: no query may come between.
    HeadingPoll->SetRunning(false);
    stop_all();
    LastSentAzimuth = LastSentAzimuthReset;
    CommPortDriverGS->ClosePort();
    CommPortDriverEasy->ClosePort();
    if (FormInit) {
        FormInit->show();
        FormInit->raise();
        FormInit->activateWindow();
    }
}

void TForm1::FormClose()
{
    if (ShutDownDone)
        return;
    ShutDownDone = true;
    const TStationSettings& s = StationSettings;
    // Nothing but the shut-down's own bytes from here on; a port only the poll opened is closed.
    UpdateHeadingPoll();

    stop_all();

    if (s.PARKING != 0) {
        EditAzimut->setText(QString::fromStdString(FormatGeneral(s.AZIMUT_PARKING, 15)));
        LCDAzi->SetValue(EditAzimut->text().toStdString());
        ButtonTrackClick();
    }

    if (const TInterfaceRow* row = InterfaceRowOf(s.ANT)) {
        const bool parksHere = s.PARKING == s.ANT + 1;
        if (row->Connection == TConnection::PrinterPort) {
            // An index outside LPT1..LPT3 (the file is not range-checked)
            // names no port.
            const int lpt = s.*row->Port;
            if (PortIO().IsWinNT() && lpt >= 0 && lpt <= 2) {
                const std::uint16_t base = LptBaseAddress[static_cast<std::size_t>(lpt)];
                PortIO().DisablePorts(base, base);
            }
        } else if (row->Connection == TConnection::Serial) {
            TCommPortDriver* port = DriverContext.*row->SerialPort;
            if (!parksHere)
                port->WriteText(row->ExitStopText());
            port->ClosePort();
        } else if (!parksHere) {
            row->Stop();
        }
    }

    if (FeedLinkOpen)
        DdeClientConv().CloseLink();
    TimerDDE->stop();

    // Open at exit, the compass opens again at the next start.
    if (FormCompass && FormCompass->isVisible()) {
        SaveCompassSetting(true);
        FormCompass->hide();
    }
    save_configuration();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    // Closing is never refused.
    event->accept();
    emit Closed();
}
