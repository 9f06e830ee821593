// TForm1: the main window, owner of the run-time state of rotator control.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>
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
class QWindow;
class QToolButton;
class TCommPortDriver;
class TLCD99;
class TSpinButton;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(TPlatformServices services, QWidget* parent = nullptr);
    ~TForm1() override;

    // The settings window, shown by MenuInitClick; given once both windows exist.
    void SetFormInit(QWidget* formInit) { FormInit = formInit; }

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

public:
    std::string normalize_decimal_separator(const std::string& text) const;
    // One link attempt of the feed: service and topic "Teskarn", item "azimuth".
    void FeedLinkAttempt();

signals:
    // The shut-down has run and the window has closed: the process may end.
    void Closed();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

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
    // Whether this activation is the first one or comes from another window of this program.
    bool ActivationComesFromProgram() const;
    void FocusWindowChanged(QWindow* focusWindow);

    TPlatformServices Services;
    QWidget* FormInit = nullptr;
    bool ShutDownDone = false;
    bool EverActivated = false;
    // The program's folder, where the configuration is saved.
    QString WorkingFolder;
    // Tolvane.ini was there at start but could not be read: the save must not replace it.
    bool ConfigFileUnreadable = false;
    // The LED's names: a command counts as sent from MAN until the blink ends.
    QString LedNameCommandSent;
    QString LedNameNoCommand;
    // The focus window before the latest change and after it; null while another program has focus.
    QPointer<QWindow> PreviousFocusWindow;
    QPointer<QWindow> CurrentFocusWindow;
};
