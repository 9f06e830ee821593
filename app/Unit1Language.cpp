// TForm1: the language switch with its table of texts, the help viewer, the About box and Quit.
#include "app/Unit1.h"

#include <QAction>
#include <QMenu>

#include "core/PointingState.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBoxes.h"

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
};

}  // namespace

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
