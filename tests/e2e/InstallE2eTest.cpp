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
// The package's files under `prefix` (as under /usr), installed from the build.
bool InstallPackageLayout(const QString& prefix, std::string& output)
{
    const TCommandResult install = RunCommand(
        QStringLiteral("cmake"),
        {QStringLiteral("--install"), QStringLiteral(TOLVANE_BINARY_DIR), QStringLiteral("--component"), QStringLiteral("deb"),
         QStringLiteral("--prefix"), prefix},
        120000);
    output = install.Output;
    return install.ExitCode == 0;
}
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

TEST_F(TolvaneE2e, PackagedCommandKeepsItsIniInTheUsersDataFolder)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QDir root(scratch.path());
    std::string output;
    ASSERT_TRUE(InstallPackageLayout(root.filePath(QStringLiteral("usr")), output)) << output;
    const QString home = root.filePath(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    Desktop->SetHome(home.toStdString());

    ASSERT_TRUE(Desktop->StartProgram(root.filePath(QStringLiteral("usr/bin/tolvane")).toStdString(), Desktop->Folder()));
    EXPECT_EQ(Desktop->Caption(), "TOLVANE");
    ASSERT_TRUE(Desktop->Quit());
    EXPECT_EQ(Desktop->Tolvane()->ExitCode(), 0);
    EXPECT_TRUE(QFileInfo(QDir(home).filePath(QStringLiteral(".local/share/Tolvane/Tolvane.ini"))).isFile());
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("usr/lib/tolvane/Tolvane.ini"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(QString::fromStdString(Desktop->Folder())).filePath(QStringLiteral("Tolvane.ini"))));
    QFile::setPermissions(QDir(home).filePath(QStringLiteral(".local/share/Tolvane/Tolvane.ini")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(TolvaneE2e, PackagedCommandWithAFileWhereItsDataFolderShouldBeSaysSoAndEnds)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QDir root(scratch.path());
    std::string output;
    ASSERT_TRUE(InstallPackageLayout(root.filePath(QStringLiteral("usr")), output)) << output;
    const QString home = root.filePath(QStringLiteral("home"));
    const QString data = QDir(home).filePath(QStringLiteral(".local/share/Tolvane"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(data).path()));
    {
        QFile blocker(data);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
    }
    Desktop->SetHome(home.toStdString());

    Desktop->LaunchProgram(root.filePath(QStringLiteral("usr/bin/tolvane")).toStdString(), Desktop->Folder());
    const unsigned long box = Desktop->WaitForOtherWindow("^Tolvane$");
    ASSERT_NE(box, 0u) << Desktop->Tolvane()->Output();
    Desktop->Activate(box);
    Desktop->Keys({"Return"});
    ASSERT_TRUE(Desktop->Tolvane()->WaitForExit(10000));
    EXPECT_NE(Desktop->Tolvane()->ExitCode(), 0);
    EXPECT_NE(Desktop->Tolvane()->Output().find("cannot use the data folder " + data.toStdString()), std::string::npos)
        << Desktop->Tolvane()->Output();
    // Nothing went anywhere else: not beside the program, not into the working folder, not over the file.
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("usr/lib/tolvane/Tolvane.ini"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(QString::fromStdString(Desktop->Folder())).filePath(QStringLiteral("Tolvane.ini"))));
    QFile blocker(data);
    ASSERT_TRUE(blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(blocker.readAll(), QByteArray("not a folder"));
}
