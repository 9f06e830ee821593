// TForm1: the main window, owner of the run-time state of rotator control.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/PlatformServices.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class QToolButton;
class TCommPortDriver;
class TCompassWindow;
class TFocusHistory;
class TLCD99;
class TSpinButton;
class THeadingLine;
class THeadingPoll;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(TPlatformServices services, QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings window, shown by MenuInitClick; given once both windows exist.
    void SetFormInit(QWidget* formInit);
    // Which window the focus came from, for the activation rules of both windows.
    const TFocusHistory& FocusHistory() const { return *Focus; }

    // Controls and components, named as the window's design names them.
    QFrame* PanelLampe = nullptr;
    TLCD99* LCDAzi = nullptr;
    TSpinButton* SpinButtonAzi = nullptr;
    QPushButton* ButtonTrack = nullptr;
    QToolButton* SpeedButtonAuto = nullptr;
    QPushButton* BitBtnStop = nullptr;
    QToolButton* SpeedButtonLP = nullptr;
    QLabel* ImageLEDOff = nullptr;
    QLabel* ImageLedOn = nullptr;
    QLineEdit* EditAzimut = nullptr;
    QLabel* LabelEtatInterface = nullptr;
    std::vector<std::string> MemoFileInit;  // line buffer of the configuration reader and writer
    TCommPortDriver* CommPortDriverGS = nullptr;
    TCommPortDriver* CommPortDriverEasy = nullptr;
    QTimer* TimerBlink = nullptr;
    QTimer* TimerTrackOK = nullptr;
    QTimer* TimerDDE = nullptr;
    QAction* MenuQuitter = nullptr;
    QAction* MenuInit = nullptr;
    QMenu* MenuLangue = nullptr;
    QAction* MenuEnglish = nullptr;
    QAction* MenuFrancais = nullptr;
    QMenu* MenuHelp = nullptr;
    QAction* MenuAide = nullptr;
    QAction* MenuAPropos = nullptr;
    // Reading the heading back: the switch, in the window's context menu, and the line that shows it.
    QMenu* PopupMenuInit = nullptr;
    QAction* MenuReadBack = nullptr;
    THeadingLine* LabelHeading = nullptr;
    THeadingPoll* HeadingPoll = nullptr;
    // Choosing the device behind each COMn, in the same menu; absent where the system names the ports.
    QAction* MenuSerialPorts = nullptr;
    // The compass: its entry in the context menu, and its window, made when the user first asks for it.
    QAction* MenuCompass = nullptr;
    std::unique_ptr<TCompassWindow> FormCompass;

    IPortIO& PortIO() const { return *Services.PortIO; }
    IWindowMessages& WindowMessages() const { return *Services.WindowMessages; }
    IDdeClientConv& DdeClientConv() const { return *Services.DdeClientConv; }

    bool AutoModeOn() const;

public slots:
    // Start-up, activation, caption and shut-down.
    void FormCreate();
    void FormActivate();
    void FormClose();
    void show_interface_status();
    void MenuInitClick();

    // Pointing and tracking.
    void ButtonTrackClick();
    void SpeedButtonAutoClick();
    void BitBtnStopClick();
    void SpeedButtonLPClick();
    void SpinButtonAziUpClick();
    void SpinButtonAziDownClick();
    void EditAzimutChange();
    void TimerBlinkTimer();
    void TimerTrackOKTimer();
    void stop_all();

    // Azimuth feed.
    void TimerDDETimer();
    void DdeClientConvOpen();
    void DdeClientConvClose();
    void DdeClientItemChange(const std::string& itemText);

    // Language, help and about.
    void MenuQuitterClick();
    void MenuEnglishClick();
    void MenuFrancaisClick();
    void MenuAProposClick();
    void MenuAideClick();

    // Configuration file.
    void save_configuration();

    // Reading the heading back.
    void MenuReadBackClick();
    void HeadingPollRead(double azimuth, std::uint64_t tick);
    void HeadingPollLost();

    // The serial ports' links.
    void MenuSerialPortsClick();
    // The compass.
    void MenuCompassClick();
    void CompassAzimuthChosen(int degrees);

public:
    // One link attempt of the feed: service and topic "Teskarn", item "azimuth".
    void FeedLinkAttempt();

signals:
    // The shut-down has run and the window has closed: the process may end.
    void Closed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void ReadConfiguration();
    void ShowLed(bool lit);
    // The names a screen reader says, in the program's language; the visible texts never change.
    void NameControlsForScreenReaders(bool french);
    void ReleaseAuto();
    void SetUpDriverContext();
    void ConnectFeed();
    // Whether this activation is the first one, the first since the settings window closed, or
    // comes from the settings window.
    bool ActivationComesFromProgram() const;
    // Gives the window the outer size asked for, once the window manager's frame is known.
    void SetOuterSize(const QSize& size);
    void BuildHeadingControls();
    // The heading line's texts in the program's language.
    void ShowHeadingTexts();
    // Polls while the switch is on, a serial controller is chosen, the settings window is closed
    // and the program is not closing.
    void UpdateHeadingPoll();
    // How much taller than its configured size the window must be for the heading line.
    int HeadingLineGrowth() const;
    void FitHeadingLine();
    void ShowHeadingLine(bool shown);
    void BuildSerialPortsEntry();
    void ShowSerialPortsText();
    // The current heading in whole degrees, when known.
    std::optional<int> HeadingDegrees() const;
    void BuildCompassControls();
    void ShowCompass(bool activate);
    void FormCompassClosed();
    // What the compass shows follows the readout, the heading line and the language.
    void ShowCompassTarget();
    void ShowCompassHeading();
    void ShowCompassTexts();
    // Shown or not, with the window's place and size while it exists: one rewrite of Tolvane.conf.
    void SaveCompassSetting(bool shown);
    // A feed value equal to the box: sends it again, as the box's change would have, when the heading
    // read back says the antenna is not there.
    void RepeatFeedTarget(const std::string& text);

    TPlatformServices Services;
    QWidget* FormInit = nullptr;
    bool ShutDownDone = false;
    bool EverActivated = false;
    bool SettingsWindowClosedSinceActivation = false;
    TFocusHistory* Focus = nullptr;
    // The frame's size as the configuration gives it; the client area is what the frame leaves.
    QSize OuterSize{400, 127};
    bool OuterSizeFramed = false;
    // The program's folder, where the configuration is saved.
    QString WorkingFolder;
    // Tolvane.ini was there at start but could not be read: the save must not replace it.
    bool ConfigFileUnreadable = false;
    // The LED's names: a command counts as sent from MAN until the blink ends.
    QString LedNameCommandSent;
    QString LedNameNoCommand;
    // The switch's file and state; the growth is not saved as the window's height.
    std::string ReadbackSettingFile;
    bool ReadBackOn = false;
    // The bus has the heading's state: the switch is on with a controller that can tell.
    bool HeadingPublished = false;
    int HeadingGrowth = 0;
};
