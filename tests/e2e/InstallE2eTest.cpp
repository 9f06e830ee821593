// The installed folder and the package's layout: where each keeps Tolvane.ini, and a data folder that cannot be used.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "e2e/E2eFixture.h"

namespace {
// The value of `key` in a desktop entry, or an empty text.
std::string EntryValue(const std::string& entry, const std::string& key)
{
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

// The package's files installed from the build under a scratch root (as under /usr), and a fresh home.
class TolvanePackageE2e : public TolvaneE2e {
protected:
    void SetUp() override
    {
        TolvaneE2e::SetUp();
        ASSERT_TRUE(Scratch.isValid());
        const TCommandResult install = RunCommand(
            QStringLiteral("cmake"),
            {QStringLiteral("--install"), QStringLiteral(TOLVANE_BINARY_DIR), QStringLiteral("--component"),
             QStringLiteral("deb"), QStringLiteral("--prefix"), Path("usr")},
            120000);
        ASSERT_EQ(install.ExitCode, 0) << install.Output;
        ASSERT_TRUE(QDir().mkpath(Path("home/.local/share")));
        Desktop->SetHome(Path("home").toStdString());
    }

    QString Path(const char* relative) const { return QDir(Scratch.path()).filePath(QString::fromLatin1(relative)); }
    std::string Command() const { return Path("usr/bin/tolvane").toStdString(); }
    // No Tolvane.ini beside the program or in the folder it was started from.
    void ExpectNoIniOutsideTheHome() const
    {
        EXPECT_FALSE(QFileInfo::exists(Path("usr/lib/tolvane/Tolvane.ini")));
        EXPECT_FALSE(QFileInfo::exists(QDir(QString::fromStdString(Desktop->Folder())).filePath(QStringLiteral("Tolvane.ini"))));
    }

    QTemporaryDir Scratch;
};
}  // namespace

TEST_F(TolvaneE2e, InstalledFolderHoldsEverythingAndTheProgramKeepsItsIniThere)
{
    QTemporaryDir parent;
    ASSERT_TRUE(parent.isValid());
    // A folder name with a space, as a user may choose.
    const QString folder = QDir(parent.path()).filePath(QStringLiteral("Tolvane station"));
    const TCommandResult install = RunCommand(
        QStringLiteral("cmake"), {QStringLiteral("--install"), QStringLiteral(TOLVANE_BINARY_DIR), QStringLiteral("--prefix"), folder},
        120000);
    ASSERT_EQ(install.ExitCode, 0) << install.Output;

    const QDir installed(folder);
    for (const char* file : {"tolvane", "bin/rotator-sim", "bin/teskarn-feed", "bin/Teskarn", "bin/arswin-standin",
                             "bin/tolvane-bridge"})
        EXPECT_TRUE(QFileInfo(installed.filePath(QString::fromLatin1(file))).isExecutable()) << file;
    for (const QString& help : QDir(QString::fromStdString(BuiltProgramsFolder())).entryList({QStringLiteral("*.hlp")}, QDir::Files))
        EXPECT_TRUE(installed.exists(help)) << help.toStdString();

    QFile entryFile(installed.filePath(QStringLiteral("share/applications/tolvane.desktop")));
    ASSERT_TRUE(entryFile.open(QIODevice::ReadOnly));
    const std::string entry = entryFile.readAll().toStdString();
    const std::string program = installed.filePath(QStringLiteral("tolvane")).toStdString();
    EXPECT_EQ(EntryValue(entry, "Exec"), "\"" + program + "\"");
    EXPECT_EQ(EntryValue(entry, "Path"), folder.toStdString());
    EXPECT_TRUE(QFileInfo(QString::fromStdString(EntryValue(entry, "Icon"))).isFile()) << EntryValue(entry, "Icon");
    EXPECT_EQ(EntryValue(entry, "Type"), "Application");

    // Started as the entry says, but from another folder: Tolvane.ini goes beside the program.
    ASSERT_TRUE(Desktop->StartProgram(program, Desktop->Folder()));
    EXPECT_EQ(Desktop->Caption(), "TOLVANE");
    ASSERT_TRUE(Desktop->Quit());
    const QString ini = installed.filePath(QStringLiteral("Tolvane.ini"));
    EXPECT_TRUE(QFileInfo(ini).isFile());
    EXPECT_FALSE(QFileInfo(ini).permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther))
        << "left read-only";
    EXPECT_FALSE(QFileInfo(QDir(QString::fromStdString(Desktop->Folder())).filePath(QStringLiteral("Tolvane.ini"))).exists());
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(TolvanePackageE2e, CommandKeepsItsIniInTheUsersDataFolder)
{
    ASSERT_TRUE(Desktop->StartProgram(Command(), Desktop->Folder()));
    EXPECT_EQ(Desktop->Caption(), "TOLVANE");
    ASSERT_TRUE(Desktop->Quit());
    EXPECT_EQ(Desktop->Tolvane()->ExitCode(), 0);
    const QString ini = Path("home/.local/share/Tolvane/Tolvane.ini");
    EXPECT_TRUE(QFileInfo(ini).isFile());
    ExpectNoIniOutsideTheHome();
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(TolvanePackageE2e, CommandWithAFileWhereItsDataFolderShouldBeSaysSoAndEnds)
{
    const QString data = Path("home/.local/share/Tolvane");
    {
        QFile blocker(data);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
    }
    Desktop->LaunchProgram(Command(), Desktop->Folder());
    const unsigned long box = Desktop->WaitForOtherWindow("^Tolvane$");
    ASSERT_NE(box, 0u) << Desktop->Tolvane()->Output();
    Desktop->Activate(box);
    Desktop->Keys({"Return"});
    ASSERT_TRUE(Desktop->Tolvane()->WaitForExit(10000));
    EXPECT_NE(Desktop->Tolvane()->ExitCode(), 0);
    EXPECT_NE(Desktop->Tolvane()->Output().find("cannot use the data folder " + data.toStdString()), std::string::npos)
        << Desktop->Tolvane()->Output();
    // Nothing went anywhere else, nor over the file.
    ExpectNoIniOutsideTheHome();
    QFile blocker(data);
    ASSERT_TRUE(blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(blocker.readAll(), QByteArray("not a folder"));
}
