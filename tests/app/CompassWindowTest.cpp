// The compass window of the main window: off until asked for, its target and texts, and its place in Tolvane.conf.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>
#include <filesystem>

#include "app/CompassSetting.h"
#include "app/CompassWindow.h"
#include "app/ReadbackSetting.h"
#include "support/TestFiles.h"
#include "core/NumberFormat.h"
#include "core/StationSettings.h"
#include "support/MainWindowFixture.h"
#include "widgets/Compass.h"
#include "widgets/Lcd99.h"

namespace {

void WriteConf(const std::string& text)
{
    const std::string path = ReadbackSettingPath();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    WriteTestFile(path, text);
}

bool AnyCompassWindow()
{
    for (QWidget* widget : QApplication::allWidgets()) {
        if (qobject_cast<TCompassWindow*>(widget) || qobject_cast<TCompass*>(widget))
            return true;
    }
    return false;
}

class TCompassWindowTest : public TMainWindowFixture {
protected:
    void TearDown() override
    {
        TMainWindowFixture::TearDown();
        std::error_code error;
        std::filesystem::remove(ReadbackSettingPath(), error);
    }
    TCompass* Compass() const { return Form->FormCompass ? Form->FormCompass->Compass : nullptr; }

    TPseudoTerminal Controller;
};

TEST_F(TCompassWindowTest, NeverOpenedItLeavesTheWindowTheBytesAndTheFilesAsTheyWere)
{
    struct Row {
        const char* Name;
        const char* Conf;  // nullptr: no Tolvane.conf
    };
    const Row rows[] = {{"no Tolvane.conf", nullptr},
                        {"the user's own Tolvane.conf", "# mine\n[heading]\nreadback=false\n\n[other]\nkey = 1\n"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        SetUp();
        if (row.Conf)
            WriteConf(row.Conf);
        ASSERT_TRUE(Controller.IsOpen());
        ASSERT_TRUE(Folder->Link("COM1", Controller.SlavePath()));
        WriteConfiguration({"[TOLVANE]", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600", "STOP_GS232=N",
                            "STEP_GS232=1"});
        CreateForm();
        Form->FormActivate();
        Form->SpeedButtonAutoClick();
        Form->SpinButtonAziUpClick();
        Form->SpeedButtonLPClick();
        Form->LCDAzi->SetValue("235.5");  // as a feed would write it
        Form->MenuFrancaisClick();
        Form->close();

        EXPECT_EQ(Controller.ReadUntilQuiet(300), "W001\rW181\rS\r") << "the spin, LP and STOP's stop, no more";
        EXPECT_FALSE(AnyCompassWindow());
        EXPECT_EQ(Form->PopupMenuInit->actions().back(), Form->MenuCompass) << "the compass's entry comes last";
        EXPECT_EQ(Form->PopupMenuInit->actions().front(), Form->MenuReadBack);
        EXPECT_FALSE(Form->MenuCompass->isChecked());
        if (row.Conf)
            EXPECT_EQ(ReadTestFile(ReadbackSettingPath()), row.Conf);
        else
            EXPECT_FALSE(std::filesystem::exists(ReadbackSettingPath()));
        for (const std::string& line : SavedLines())
            EXPECT_EQ(line.find("COMPASS"), std::string::npos) << line;
        TearDown();
    }
}

TEST_F(TCompassWindowTest, TheMenuOpensItTitledAndItsCloseIsRemembered)
{
    WriteConf("# mine\n[heading]\nreadback=false\n");
    TForm1& form = CreateForm();
    form.MenuCompass->trigger();
    ASSERT_TRUE(form.FormCompass);
    EXPECT_TRUE(form.FormCompass->isVisible());
    EXPECT_TRUE(form.MenuCompass->isChecked());
    EXPECT_EQ(form.FormCompass->windowTitle(), "Compass");
    EXPECT_EQ(Compass()->accessibleName(), "Compass") << "named by the title it shows";
    EXPECT_EQ(form.MenuCompass->text(), "Show the compass");
    EXPECT_TRUE(ReadCompassSetting(ReadbackSettingPath()).Shown);

    form.FormCompass->move(40, 50);
    form.FormCompass->resize(420, 380);
    form.FormCompass->close();
    EXPECT_FALSE(form.MenuCompass->isChecked());
    const TCompassSetting closed = ReadCompassSetting(ReadbackSettingPath());
    EXPECT_FALSE(closed.Shown);
    ASSERT_TRUE(closed.Bounds);
    EXPECT_EQ(closed.Bounds->Width, 420);
    EXPECT_EQ(closed.Bounds->Height, 380);
    EXPECT_EQ(ReadTestFile(ReadbackSettingPath()).rfind("# mine\n[heading]\nreadback=false\n\n[compass]\n", 0), 0u);

    form.MenuCompass->trigger();
    EXPECT_TRUE(form.FormCompass->isVisible());
    form.MenuCompass->trigger();  // unticked: the window closes
    EXPECT_FALSE(form.FormCompass->isVisible());
    EXPECT_FALSE(ReadCompassSetting(ReadbackSettingPath()).Shown);
}

TEST_F(TCompassWindowTest, TheTargetFollowsTheReadoutRoundedOrNotAtAll)
{
    CreateForm();
    Form->MenuCompass->trigger();
    struct Row {
        const char* Readout;
        std::optional<int> Target;
    };
    const Row rows[] = {{"235", 235}, {"0", 0},          {"359", 359},        {"12.5", 12},
                        {"13.5", 14}, {"359.6", 0},      {"400", std::nullopt}, {"-1", std::nullopt},
                        {"---", std::nullopt}, {"", std::nullopt}, {"ABC", std::nullopt}};
    for (const Row& row : rows) {
        std::string readout = row.Readout;
        std::replace(readout.begin(), readout.end(), '.', DecimalSeparator);
        Form->LCDAzi->SetValue(readout);
        EXPECT_EQ(Compass()->Target(), row.Target) << row.Readout;
    }
    EXPECT_TRUE(Form->EditAzimut->text().isEmpty()) << "showing writes nothing";
}

TEST_F(TCompassWindowTest, FrenchTextsAndTheReadBackSwitchReachTheWindow)
{
    WriteConfiguration({"[TOLVANE]", "LANGUAGE=FRENCH", "ANT=GS232"});
    CreateForm();
    EXPECT_EQ(Form->MenuCompass->text(), "Afficher la boussole");
    Form->MenuCompass->trigger();
    EXPECT_EQ(Form->FormCompass->windowTitle(), "Boussole");
    EXPECT_EQ(Compass()->accessibleName(), "Boussole");
    EXPECT_EQ(Compass()->Cardinals(), (QStringList{"N", "E", "S", "O"})) << "ouest";
    EXPECT_FALSE(Compass()->HeadingShown()) << "read-back off: no needle, no ---";

    Form->MenuReadBack->trigger();
    EXPECT_TRUE(Compass()->HeadingShown());
    EXPECT_FALSE(Compass()->Heading()) << "nothing read yet: ---";
    Form->MenuEnglishClick();
    EXPECT_EQ(Form->FormCompass->windowTitle(), "Compass");
    EXPECT_EQ(Form->MenuCompass->text(), "Show the compass");
    EXPECT_EQ(Compass()->Cardinals(), (QStringList{"N", "E", "S", "W"}));
    Form->MenuReadBack->trigger();
    EXPECT_FALSE(Compass()->HeadingShown());
}

TEST_F(TCompassWindowTest, OpenAtExitItOpensAgainWhereItWasUnlessThatIsOffScreen)
{
    struct Row {
        const char* Name;
        const char* Geometry;
        bool Placed;
    };
    const Row rows[] = {{"on screen", "30,40,520,500", true},
                        {"off every screen", "-30000,40,520,500", false},
                        {"malformed", "30;40;520;500", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        SetUp();
        WriteConf(std::string("[compass]\nshown=true\ngeometry=") + row.Geometry + "\n");
        CreateForm();
        EXPECT_FALSE(Form->FormCompass) << "not before the main window is up";
        QApplication::processEvents();
        ASSERT_TRUE(Form->FormCompass);
        EXPECT_TRUE(Form->FormCompass->isVisible());
        EXPECT_TRUE(Form->MenuCompass->isChecked());
        EXPECT_EQ(Form->FormCompass->size() == QSize(520, 500), row.Placed);
        EXPECT_EQ(Form->FormCompass->pos() == QPoint(30, 40), row.Placed);
        if (!row.Placed) {
            EXPECT_FALSE(Form->FormCompass->frameGeometry().intersects(Form->frameGeometry())) << "beside the main window";
        }

        Form->close();
        EXPECT_FALSE(Form->FormCompass->isVisible());
        const TCompassSetting saved = ReadCompassSetting(ReadbackSettingPath());
        EXPECT_TRUE(saved.Shown) << "open at exit, open at the next start";
        ASSERT_TRUE(saved.Bounds);
        EXPECT_EQ(saved.Bounds->Width, Form->FormCompass->width());
        TearDown();
    }
}

}  // namespace
