// The installed folder: its layout, its desktop entry, and the installed program keeping Tolvane.ini beside itself.
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
