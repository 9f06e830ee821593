// TForm1: the language switch with its table of texts, the help viewer, the About box and Quit.
#include "app/Unit1.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "core/PointingState.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"
#include "widgets/Lcd99.h"
#include "widgets/SpinButton.h"

namespace {

// Every text that follows the language; everything else keeps one wording.
struct TLanguageTexts {
    const char* MenuQuitter;
    const char* MenuLangue;
    const char* MenuAide;
    const char* MenuAPropos;
    const char* HelpFile;
    const char* IniCreateFailed;
    const char* ArswinNotRunning;
    const char* About;
    // Accessible names.
    const char* Readout;
    const char* SpinButton;
    const char* Man;
    const char* Auto;
    const char* Stop;
    const char* LongPath;
    const char* LedCommandSent;
    const char* LedNoCommand;
    const char* AzimuthBox;
};

const TLanguageTexts EnglishTexts = {
    "&Quit",
    "&Language",
    "&Help",
    "&About Tolvane",
    "Tolvane_EN.hlp",
    "Can't create Tolvane.ini",
    "ARSWIN must be running !",
    "                    Tolvane version 1.0 by the Tolvane author\r\n"
    "      Tolvane is free software, part of the Teskarn package.\r\n"
    "  Tolvane points the antenna to the azimuth that Teskarn gives.\r\n"
    "      New releases can be downloaded from the following web sites:\r\n"
    "\r\n"
    "                      https://tolvane.example.org\r\n"
    "                      https://mirror.tolvane.example.org\r\n"
    "\r\n"
    "      The same site also hosts further programs by the same author\r\n"
    "            for amateur-radio stations and their operators.\r\n"
    "   If you run a web site, alone or with your club station,\r\n"
    "                 you are welcome to link to these addresses.",
    "Azimuth",
    "Azimuth one degree up or down",
    "MAN: send the azimuth to the rotator",
    "AUTO: send every new azimuth at once",
    "STOP: stop the rotator",
    "LP: long path, turn the azimuth by 180 degrees",
    "Command LED: command sent",
    "Command LED: no command sent",
    "Azimuth to send",
};

const TLanguageTexts FrenchTexts = {
    "&Quitter",
    "&Langue",
    "&Aide",
    "A &propos de Tolvane",
    "Tolvane_FR.hlp",
    "Ne peut créer Tolvane.ini",
    "ARSWIN doit s'exécuter !",
    "                    Tolvane version 1.0 par l'auteur de Tolvane\r\n"
    "      Tolvane est un logiciel libre livré avec Teskarn.\r\n"
    "  Tolvane oriente l'antenne vers l'azimut que Teskarn calcule.\r\n"
    "      Les nouvelles versions se téléchargent sur les sites suivants :\r\n"
    "\r\n"
    "                      https://tolvane.example.org\r\n"
    "                      https://mirror.tolvane.example.org\r\n"
    "\r\n"
    "      Le même site héberge aussi d'autres programmes du même auteur\r\n"
    "          pour les stations de radioamateur et leurs opérateurs.\r\n"
    "   Si vous tenez un site web, seul ou avec votre radio-club,\r\n"
    "                 vous êtes invité à faire un lien vers ces adresses.",
    "Azimut",
    "Azimut, un degré de plus ou de moins",
    "MAN : envoyer l'azimut au rotor",
    "AUTO : envoyer aussitôt chaque nouvel azimut",
    "STOP : arrêter le rotor",
    "LP : grand chemin, tourner l'azimut de 180 degrés",
    "Voyant de commande : commande envoyée",
    "Voyant de commande : aucune commande envoyée",
    "Azimut à envoyer",
};

}  // namespace

void TForm1::NameControlsForScreenReaders(bool french)
{
    const TLanguageTexts& texts = french ? FrenchTexts : EnglishTexts;
    LCDAzi->setAccessibleName(QString::fromUtf8(texts.Readout));
    SpinButtonAzi->setAccessibleName(QString::fromUtf8(texts.SpinButton));
    ButtonTrack->setAccessibleName(QString::fromUtf8(texts.Man));
    SpeedButtonAuto->setAccessibleName(QString::fromUtf8(texts.Auto));
    BitBtnStop->setAccessibleName(QString::fromUtf8(texts.Stop));
    SpeedButtonLP->setAccessibleName(QString::fromUtf8(texts.LongPath));
    EditAzimut->setAccessibleName(QString::fromUtf8(texts.AzimuthBox));
    LedNameCommandSent = QString::fromUtf8(texts.LedCommandSent);
    LedNameNoCommand = QString::fromUtf8(texts.LedNoCommand);
    ImageLedOn->setAccessibleName(LedNameCommandSent);
    const bool commandSent = TimerBlink != nullptr && TimerBlink->isActive();
    ImageLEDOff->setAccessibleName(commandSent ? LedNameCommandSent : LedNameNoCommand);
}

void TForm1::MenuQuitterClick()
{
    close();
}

void TForm1::MenuEnglishClick()
{
    MenuEnglish->setChecked(true);
    MenuQuitter->setText(QString::fromUtf8(EnglishTexts.MenuQuitter));
    MenuLangue->setTitle(QString::fromUtf8(EnglishTexts.MenuLangue));
    MenuAPropos->setText(QString::fromUtf8(EnglishTexts.MenuAPropos));
    MenuAide->setText(QString::fromUtf8(EnglishTexts.MenuAide));
    ApplicationHelpFile = EnglishTexts.HelpFile;
    MsgIniCreateFailed = EnglishTexts.IniCreateFailed;
    MsgArswinNotRunning = EnglishTexts.ArswinNotRunning;
    NameControlsForScreenReaders(false);
    ShowHeadingTexts();
    ShowSerialPortsText();
    ShowCompassTexts();
}

void TForm1::MenuFrancaisClick()
{
    MenuFrancais->setChecked(true);
    MenuQuitter->setText(QString::fromUtf8(FrenchTexts.MenuQuitter));
    MenuLangue->setTitle(QString::fromUtf8(FrenchTexts.MenuLangue));
    MenuAPropos->setText(QString::fromUtf8(FrenchTexts.MenuAPropos));
    MenuAide->setText(QString::fromUtf8(FrenchTexts.MenuAide));
    ApplicationHelpFile = FrenchTexts.HelpFile;
    MsgIniCreateFailed = FrenchTexts.IniCreateFailed;
    MsgArswinNotRunning = FrenchTexts.ArswinNotRunning;
    NameControlsForScreenReaders(true);
    ShowHeadingTexts();
    ShowSerialPortsText();
    ShowCompassTexts();
}

void TForm1::MenuAProposClick()
{
    if (MenuEnglish->isChecked())
        ShowMessageBox(this, TMessageKind::Information, "Information", EnglishTexts.About);
    if (MenuFrancais->isChecked())
        ShowMessageBox(this, TMessageKind::Information, "Information", FrenchTexts.About);
}

void TForm1::MenuAideClick()
{
    ShowHelpContents(this, ApplicationHelpFile);
}
