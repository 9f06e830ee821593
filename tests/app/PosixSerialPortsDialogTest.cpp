// The serial ports' dialog on a device folder of the test's own: its rows, the links it makes or refuses, its
// advice on permissions in both languages, and that it writes nothing else; its entry in the main window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/ReadbackSetting.h"
#include "app/SerialPortsDialog.h"
#include "support/MainWindowFixture.h"
#include "support/PosixDeviceTree.h"
#include "support/TestFiles.h"

namespace {

constexpr unsigned UsbSerialMajor = 188;
constexpr unsigned AcmMajor = 166;
const std::string IniBytes = "[TOLVANE]\r\nANT=GS232\r\n[GS-232]\r\nPORT_GS232=1\r\n";

std::vector<std::string> ItemTexts(const QComboBox* box)
{
    std::vector<std::string> texts;
    for (int item = 0; item < box->count(); ++item)
        texts.push_back(box->itemText(item).toStdString());
    return texts;
}

class PosixSerialPortsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        ASSERT_TRUE(Dev.Device("ttyUSB0", UsbSerialMajor, 0, 0666));
        ASSERT_TRUE(Dev.Device("ttyACM0", AcmMajor, 0, 0666));
        ASSERT_TRUE(Dev.Link("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", "../../ttyUSB0"));
        WriteTestFile(PathOf("Tolvane.ini"), IniBytes);
        ASSERT_EQ(symlink(Dev.PathOf("ttyACM0").c_str(), PathOf("COM1").c_str()), 0);
        ASSERT_EQ(symlink("/nowhere/ttyUSB7", PathOf("COM2").c_str()), 0);
        WriteTestFile(PathOf("COM4"), "the user's notes");
    }

    std::string PathOf(const std::string& name) const { return Folder.path().toStdString() + "/" + name; }

    std::unique_ptr<TSerialPortsDialog> Open(bool french = false, TUserIdentity user = {})
    {
        TSerialPortsPlace place;
        place.Folder = Folder.path().toStdString();
        place.DeviceRoot = Dev.Path();
        place.Facts = {{Dev.PathOf("ttyUSB0"), "FT232R USB UART", "FTDI", "A50285BI"}};
        place.User = std::move(user);
        return std::make_unique<TSerialPortsDialog>(std::move(place), french);
    }

    static void Choose(TSerialPortsDialog& dialog, int index, const std::string& path)
    {
        QComboBox* box = dialog.Rows[index].Devices;
        const int item = box->findData(QByteArray::fromStdString(path));
        ASSERT_GE(item, 0) << path;
        box->setCurrentIndex(item);
    }

    TDeviceTree Dev;
    QTemporaryDir Folder;
};

TEST_F(PosixSerialPortsDialogTest, ShowsWhereEachPortLeadsAndOffersTheDevicesByIdFirst)
{
    const auto dialog = Open();
    const std::string byId = "by-id/usb-FTDI_FT232R_A50285BI-if00-port0 \u2192 ttyUSB0: FT232R USB UART, FTDI, "
                             "serial number A50285BI";
    const std::string usb = "ttyUSB0: FT232R USB UART, FTDI, serial number A50285BI";

    struct Row {
        const char* Name;
        std::string Now;
        std::vector<std::string> Items;
        int Current;
        bool Enabled;
    };
    const Row rows[] = {
        {"COM1, a link to a device offered", "Now leads to " + Dev.PathOf("ttyACM0"), {byId, usb, "ttyACM0"}, 2, true},
        {"COM2, a dangling link", "Now leads to /nowhere/ttyUSB7, not present",
         {"/nowhere/ttyUSB7, as now", byId, usb, "ttyACM0"}, 0, true},
        {"COM3, no link and no built-in port", "Now leads to " + Dev.PathOf("ttyS2") + ", not present",
         {Dev.PathOf("ttyS2") + ", as now", byId, usb, "ttyACM0"}, 0, true},
        {"COM4, a file of the user's", "COM4 is a file or folder here, not a link: Tolvane leaves it as it is.",
         {PathOf("COM4") + ", as now"}, 0, false},
    };
    for (int index = 0; index < TSerialPortsDialog::PortCount; ++index) {
        const Row& row = rows[index];
        const TSerialPortsDialog::TPortRow& controls = dialog->Rows[index];
        EXPECT_EQ(controls.Name->text().toStdString(), "COM" + std::to_string(index + 1)) << row.Name;
        EXPECT_EQ(controls.Devices->accessibleName(), controls.Name->text()) << row.Name;
        EXPECT_EQ(controls.Now->text().toStdString(), row.Now) << row.Name;
        EXPECT_EQ(ItemTexts(controls.Devices), row.Items) << row.Name;
        EXPECT_EQ(controls.Devices->currentIndex(), row.Current) << row.Name;
        EXPECT_EQ(controls.Devices->isEnabled(), row.Enabled) << row.Name;
        EXPECT_TRUE(controls.Advice->text().isEmpty()) << row.Name;
    }
}

TEST_F(PosixSerialPortsDialogTest, OkLinksTheChosenDevicesAndWritesNothingElse)
{
    auto before = FolderSnapshot(Folder.path().toStdString());
    const std::string byId = Dev.PathOf("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    const auto dialog = Open();
    Choose(*dialog, 1, byId);
    Choose(*dialog, 2, Dev.PathOf("ttyACM0"));

    dialog->Buttons->button(QDialogButtonBox::Ok)->click();

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    before["COM2"] = "link to " + byId;
    before["COM3"] = "link to " + Dev.PathOf("ttyACM0");
    EXPECT_EQ(FolderSnapshot(Folder.path().toStdString()), before);
    EXPECT_EQ(ReadTestFile(PathOf("Tolvane.ini")), IniBytes);
}

TEST_F(PosixSerialPortsDialogTest, CancelAndAnUnchangedOkWriteNothing)
{
    const auto before = FolderSnapshot(Folder.path().toStdString());
    for (const QDialogButtonBox::StandardButton button : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
        const auto dialog = Open();
        // Chosen and chosen back: no change to make.
        Choose(*dialog, 0, Dev.PathOf("ttyUSB0"));
        Choose(*dialog, 0, Dev.PathOf("ttyACM0"));
        if (button == QDialogButtonBox::Cancel)
            Choose(*dialog, 1, Dev.PathOf("ttyUSB0"));
        dialog->Buttons->button(button)->click();
        EXPECT_EQ(FolderSnapshot(Folder.path().toStdString()), before) << button;
    }
}

TEST_F(PosixSerialPortsDialogTest, ARefusedLinkIsExplainedAndTheDialogStaysOpen)
{
    const auto dialog = Open();
    Choose(*dialog, 0, Dev.PathOf("ttyUSB0"));
    Choose(*dialog, 1, Dev.PathOf("ttyACM0"));
    // The adapter unplugged while the dialog was open.
    std::filesystem::remove(Dev.PathOf("ttyUSB0"));

    dialog->Buttons->button(QDialogButtonBox::Ok)->click();

    EXPECT_NE(dialog->result(), QDialog::Accepted);
    const std::string reason = Dev.PathOf("ttyUSB0") + " is not a serial device under " + Dev.Path()
        + ": nothing was changed.";
    EXPECT_EQ(dialog->Rows[0].Advice->text().toStdString(), reason);
    EXPECT_EQ(dialog->Rows[0].Devices->accessibleDescription().toStdString(), reason);
    EXPECT_EQ(std::filesystem::read_symlink(PathOf("COM1")).string(), Dev.PathOf("ttyACM0"));
    // The other port's link was made, and its row shows it.
    EXPECT_EQ(std::filesystem::read_symlink(PathOf("COM2")).string(), Dev.PathOf("ttyACM0"));
    EXPECT_EQ(dialog->Rows[1].Now->text().toStdString(), "Now leads to " + Dev.PathOf("ttyACM0"));
}

TEST_F(PosixSerialPortsDialogTest, ADeviceTheUserMayNotOpenSaysWhyAndGivesTheFix)
{
    const struct group* dialout = getgrnam("dialout");
    if (!dialout)
        GTEST_SKIP() << "no dialout group on this system";
    ASSERT_EQ(chmod(Dev.PathOf("ttyUSB0").c_str(), 0660), 0);
    ASSERT_EQ(chown(Dev.PathOf("ttyUSB0").c_str(), 0, dialout->gr_gid), 0);
    const TUserIdentity notInDialout = {1000, {1000}, {1000}};
    const TUserIdentity addedSinceLogin = {1000, {1000}, {1000, static_cast<unsigned>(dialout->gr_gid)}};

    struct Row {
        const char* Name;
        bool French;
        TUserIdentity User;
        const char* Advice;
    };
    const Row rows[] = {
        {"not in the group", false, notInDialout,
         "You may not open ttyUSB0: only members of the group dialout may. To fix it: sudo adduser $USER dialout, "
         "then log out and in."},
        {"pas dans le groupe", true, notInDialout,
         "Vous ne pouvez pas ouvrir ttyUSB0 : seuls les membres du groupe dialout le peuvent. Pour y remédier : "
         "sudo adduser $USER dialout, puis fermez la session et rouvrez-la."},
        {"added since login", false, addedSinceLogin,
         "You may not open ttyUSB0 yet: you are in the group dialout, but this session started before. To fix it: "
         "log out and in."},
    };
    for (const Row& row : rows) {
        const auto dialog = Open(row.French, row.User);
        const TSerialPortsDialog::TPortRow& controls = dialog->Rows[0];
        EXPECT_TRUE(controls.Advice->text().isEmpty()) << row.Name;
        Choose(*dialog, 0, Dev.PathOf("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0"));
        EXPECT_EQ(controls.Advice->text().toStdString(), row.Advice) << row.Name;
        EXPECT_TRUE(controls.Devices->accessibleDescription().endsWith(QString::fromUtf8(row.Advice))) << row.Name;
        Choose(*dialog, 0, Dev.PathOf("ttyACM0"));
        EXPECT_TRUE(controls.Advice->text().isEmpty()) << row.Name;
    }
}

TEST_F(PosixSerialPortsDialogTest, SpeaksFrench)
{
    const auto dialog = Open(true);
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Ports série");
    EXPECT_EQ(dialog->Rows[0].Now->text().toStdString(), "Mène à " + Dev.PathOf("ttyACM0"));
    EXPECT_EQ(dialog->Rows[1].Now->text().toStdString(), "Mène à /nowhere/ttyUSB7, absent");
    EXPECT_EQ(dialog->Rows[3].Now->text().toStdString(),
              "COM4 est ici un fichier ou un dossier, pas un lien : Tolvane le laisse tel quel.");
    EXPECT_EQ(dialog->Buttons->button(QDialogButtonBox::Cancel)->text().toStdString(), "Annuler");
}

TEST_F(PosixSerialPortsDialogTest, NamesFromOutsideReachNoLabelWithControlCharacters)
{
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Evil\x1b[2J\x7f-if00", "../../ttyUSB0"));
    TSerialPortsPlace place;
    place.Folder = Folder.path().toStdString();
    place.DeviceRoot = Dev.Path();
    place.Facts = {{Dev.PathOf("ttyUSB0"), "UART\r\nline two\t" + std::string(300, 'x'), "\xff\xfe", ""}};
    TSerialPortsDialog dialog(std::move(place), false);

    for (const std::string& text : ItemTexts(dialog.Rows[0].Devices)) {
        for (const char character : text)
            EXPECT_FALSE(static_cast<unsigned char>(character) < 0x20 || character == 0x7f) << text;
        EXPECT_LT(QString::fromStdString(text).size(), 200) << text;
    }
}

TEST_F(PosixSerialPortsDialogTest, ANameThatIsNotUtf8IsLinkedByteForByte)
{
    const std::string name = "serial/by-id/usb-Caf\xe9-if00";
    ASSERT_TRUE(Dev.Link(name, "../../ttyUSB0"));
    const auto dialog = Open();
    Choose(*dialog, 2, Dev.PathOf(name));

    dialog->Buttons->button(QDialogButtonBox::Ok)->click();

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(std::filesystem::read_symlink(PathOf("COM3")).string(), Dev.PathOf(name));
}

class SerialPortsEntryTest : public TMainWindowFixture {};

TEST_F(SerialPortsEntryTest, SitsBesideTheReadBackSwitchInTheProgramsLanguage)
{
    CreateForm();
    const QList<QAction*> actions = Form->PopupMenuInit->actions();
    ASSERT_NE(Form->MenuSerialPorts, nullptr);
    EXPECT_TRUE(actions.contains(Form->MenuReadBack));
    EXPECT_TRUE(actions.contains(Form->MenuSerialPorts));
    EXPECT_EQ(Form->MenuSerialPorts->text().toStdString(), "Serial ports…");
    Form->MenuFrancaisClick();
    EXPECT_EQ(Form->MenuSerialPorts->text().toStdString(), "Ports série…");
    Form->MenuEnglishClick();
    EXPECT_EQ(Form->MenuSerialPorts->text().toStdString(), "Serial ports…");
}

TEST_F(SerialPortsEntryTest, OpeningAndCancellingTheDialogWritesNothing)
{
    WriteConfiguration({"[TOLVANE]", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600"});
    ASSERT_TRUE(Folder->Link("COM1", "/dev/null"));
    CreateForm();
    const std::string folder = Folder->Path();
    const auto before = FolderSnapshot(folder);
    const bool settingExisted = std::filesystem::exists(ReadbackSettingPath());

    QString title;
    QTimer::singleShot(0, [&title] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle();
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        }
    });
    Form->MenuSerialPorts->trigger();

    EXPECT_EQ(title.toStdString(), "Serial ports");
    EXPECT_EQ(FolderSnapshot(folder), before);
    EXPECT_EQ(std::filesystem::exists(ReadbackSettingPath()), settingExisted);
}

}  // namespace
