// Language, help and about: the switch both ways, the language from the file, the boxes and the viewer.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "platform/HelpViewer.h"
#include "support/MainWindowFixture.h"

namespace {

using TLanguageTest = TMainWindowFixture;

struct TLanguageTexts {
    std::string Quit, Language, Help, About, HelpFile, IniFailed, ArswinMissing, ManForScreenReaders;
};

const TLanguageTexts English = {"&Quit", "&Language", "&Help", "&About Tolvane", "Tolvane_EN.hlp",
                                "Can't create Tolvane.ini", "ARSWIN must be running !",
                                "MAN: send the azimuth to the rotator"};
const TLanguageTexts French = {"&Quitter", "&Langue", "&Aide", "A &propos de Tolvane", "Tolvane_FR.hlp",
                               "Ne peut créer Tolvane.ini", "ARSWIN doit s'exécuter !",
                               "MAN : envoyer l'azimut au rotor"};

void ExpectTexts(const TForm1& form, const TLanguageTexts& texts)
{
    EXPECT_EQ(form.MenuQuitter->text().toStdString(), texts.Quit);
    EXPECT_EQ(form.MenuLangue->title().toStdString(), texts.Language);
    EXPECT_EQ(form.MenuAide->text().toStdString(), texts.Help);
    EXPECT_EQ(form.MenuAPropos->text().toStdString(), texts.About);
    EXPECT_EQ(ApplicationHelpFile, texts.HelpFile);
    EXPECT_EQ(MsgIniCreateFailed, texts.IniFailed);
    EXPECT_EQ(MsgArswinNotRunning, texts.ArswinMissing);
    EXPECT_EQ(form.ButtonTrack->accessibleName().toStdString(), texts.ManForScreenReaders);
}

}  // namespace

TEST_F(TLanguageTest, StartsWithTheCreationCaptions)
{
    TForm1& form = CreateForm();
    EXPECT_EQ(form.MenuAide->text(), "Help");
    EXPECT_EQ(form.MenuAPropos->text(), "About Tolvane");
    EXPECT_EQ(form.MenuQuitter->text(), "&Quit");
    EXPECT_EQ(form.MenuFrancais->text(), "&Français");
}

TEST_F(TLanguageTest, SwitchesToFrenchAndBack)
{
    TForm1& form = CreateForm();
    form.MenuFrancais->trigger();
    EXPECT_TRUE(form.MenuFrancais->isChecked());
    EXPECT_FALSE(form.MenuEnglish->isChecked());
    ExpectTexts(form, French);
    form.MenuEnglish->trigger();
    EXPECT_TRUE(form.MenuEnglish->isChecked());
    EXPECT_FALSE(form.MenuFrancais->isChecked());
    ExpectTexts(form, English);
    form.MenuEnglish->trigger();  // choosing the checked entry again changes nothing
    EXPECT_TRUE(form.MenuEnglish->isChecked());
    ExpectTexts(form, English);
}

TEST_F(TLanguageTest, FrenchFromTheFileAndSavedBack)
{
    WriteConfiguration({"[TOLVANE]", "LANGUAGE=FRENCH"});
    TForm1& form = CreateForm();
    ExpectTexts(form, French);
    form.close();
    ASSERT_GE(SavedLines().size(), 2u);
    EXPECT_EQ(SavedLines()[1], "LANGUAGE=FRENCH");
}

TEST_F(TLanguageTest, LowerCaseLanguageValueChangesNothing)
{
    WriteConfiguration({"LANGUAGE=french"});
    TForm1& form = CreateForm();
    EXPECT_TRUE(form.MenuEnglish->isChecked());
    EXPECT_EQ(form.MenuAide->text(), "Help");
    EXPECT_EQ(form.MenuAPropos->text(), "About Tolvane");
    EXPECT_EQ(ApplicationHelpFile, "Tolvane_EN.hlp");
}

TEST_F(TLanguageTest, AboutShowsOnlyTheCheckedLanguage)
{
    TForm1& form = CreateForm();
    form.MenuAProposClick();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Kind, TMessageKind::Information);
    EXPECT_EQ(Boxes.Boxes[0].Title, "Information");
    EXPECT_NE(Boxes.Boxes[0].Text.find("Teskarn package"), std::string::npos);
    EXPECT_NE(Boxes.Boxes[0].Text.find("\r\n"), std::string::npos);

    form.MenuFrancaisClick();
    form.MenuAProposClick();
    ASSERT_EQ(Boxes.Boxes.size(), 2u);
    EXPECT_EQ(Boxes.Boxes[1].Title, "Information");
    EXPECT_NE(Boxes.Boxes[1].Text.find("calcule"), std::string::npos);
    EXPECT_EQ(Boxes.Boxes[1].Text.find("Teskarn package"), std::string::npos);
}

TEST_F(TLanguageTest, SaveFailureInFrenchShowsTheFrenchErrorTitledErreur)
{
    TForm1& form = CreateForm();
    form.MenuFrancaisClick();
    // A folder in the way of the temporary file makes the writing fail, even for root.
    std::filesystem::create_directory("Tolvane.~in");
    std::ofstream(std::filesystem::path("Tolvane.~in") / "keep") << "x";
    form.close();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Kind, TMessageKind::Error);
    EXPECT_EQ(Boxes.Boxes[0].Title, "Erreur");
    EXPECT_EQ(Boxes.Boxes[0].Text, "Ne peut créer Tolvane.ini");
    EXPECT_FALSE(std::filesystem::exists("Tolvane.ini"));
}

TEST_F(TLanguageTest, ArswinWarningFollowsTheLanguageUnderAFrenchTitle)
{
    TForm1& form = CreateForm();
    form.MenuFrancaisClick();
    StationSettings.ANT = riARSIF;  // no ARSWIN window in the fakes
    form.EditAzimut->setText("90");
    form.ButtonTrackClick();
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Kind, TMessageKind::Warning);
    EXPECT_EQ(Boxes.Boxes[0].Title, "Avertissement");
    EXPECT_EQ(Boxes.Boxes[0].Text, "ARSWIN doit s'exécuter !");
}

TEST_F(TLanguageTest, HelpOpensTheFileOfTheLanguageFromTheWorkingOrTheProgramsFolder)
{
    TForm1& form = CreateForm();
    // The working folder holds only the French file; the English one is beside the test program,
    // as the installed help files are beside the installed program.
    std::ofstream("Tolvane_FR.hlp") << "<html><body><h1>Aide de Tolvane</h1></body></html>";
    form.MenuAideClick();
    THelpViewer* viewer = CurrentHelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->FileName(), "Tolvane_EN.hlp");
    EXPECT_NE(viewer->PlainText().indexOf("Tolvane.ini"), -1) << viewer->PlainText().toStdString();

    form.MenuFrancaisClick();
    form.MenuAideClick();
    EXPECT_EQ(CurrentHelpViewer(), viewer) << "one viewer, reused";
    EXPECT_EQ(viewer->FileName(), "Tolvane_FR.hlp");
    EXPECT_EQ(viewer->PlainText().trimmed(), "Aide de Tolvane") << "the working folder's file comes first";

    EXPECT_FALSE(viewer->ShowContents("Tolvane_XX.hlp"));
    EXPECT_NE(viewer->PlainText().indexOf("Tolvane_XX.hlp"), -1) << "the viewer names the missing file";
}

TEST_F(TLanguageTest, ShippedHelpFilesAreRichText)
{
    for (const char* name : {"Tolvane_EN.hlp", "Tolvane_FR.hlp"}) {
        const std::filesystem::path path = std::filesystem::path(TOLVANE_SOURCE_DIR) / "help" / name;
        std::ifstream file(path);
        ASSERT_TRUE(file.good()) << path;
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("<h1>"), std::string::npos) << name;
        EXPECT_NE(text.find("Tolvane.ini"), std::string::npos) << name;
    }
}
