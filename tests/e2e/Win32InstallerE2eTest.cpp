// The installer as a Windows user meets it, run silently: the per-user folder, the Start-menu entry and
// the uninstall key; the installed Tolvane writing its settings there; an upgrade and an uninstall that
// keep them; an install over a running Tolvane refused before it touches a file.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "e2e/Win32Input.h"
#include "support/ChildProcess.h"

namespace {

const wchar_t* const UninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tolvane";

QString KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    QString folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, 0, nullptr, &path)))
        folder = QString::fromWCharArray(path);
    ::CoTaskMemFree(path);
    return folder;
}

// A value of the uninstall key; empty when the key or the value is missing.
std::wstring UninstallValue(const wchar_t* name)
{
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, UninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

bool UninstallKeyExists()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, UninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

QString SetupProgram()
{
    return QDir(QString::fromStdString(BuiltProgramsFolder()))
        .absoluteFilePath(QStringLiteral("../Tolvane-" TOLVANE_VERSION "-setup.exe"));
}

int RunSilently(const QString& program)
{
    QProcess process;
    process.start(program, {"/S"});
    if (!process.waitForStarted(10000) || !process.waitForFinished(120000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class InstallerE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo::exists(SetupProgram())) << SetupProgram().toStdString() << " is built by scripts/build-windows";
        RemoveEverything();
    }
    void TearDown() override
    {
        if (Tolvane.state() != QProcess::NotRunning) {
            Tolvane.kill();
            Tolvane.waitForFinished(5000);
        }
        RemoveEverything();
    }

    void RemoveEverything()
    {
        if (QFileInfo::exists(Folder.filePath("Tolvane.ini")))
            ::SetFileAttributesW(reinterpret_cast<const wchar_t*>(Folder.filePath("Tolvane.ini").utf16()),
                                 FILE_ATTRIBUTE_NORMAL);
        Folder.removeRecursively();
        QFile::remove(StartMenuEntry);
        QFile::remove(BridgeEntry);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, UninstallKey);
    }

    QString Installed(const QString& name) const { return Folder.filePath(name); }

    // The installed program, up until its main window shows.
    void StartInstalledTolvane()
    {
        Tolvane.setWorkingDirectory(QDir::tempPath());
        Tolvane.start(Installed("Tolvane.exe"), {});
        ASSERT_TRUE(Tolvane.waitForStarted(10000));
        ASSERT_TRUE(RunEventsUntil([&] { return MainWindow() != nullptr; }, 20000)) << "no window";
    }

    HWND MainWindow() const { return FindProcessWindow(static_cast<DWORD>(Tolvane.processId()), L"TOLVANE"); }

    void CloseInstalledTolvane()
    {
        // F4 goes to the foreground window, once the new window has become it.
        const HWND window = MainWindow();
        ASSERT_TRUE(RunEventsUntil([&] { return ::SetForegroundWindow(window) && ::GetForegroundWindow() == window; }));
        WaitFor(500);
        PressKeys(VK_F4);
        ASSERT_TRUE(Tolvane.state() == QProcess::NotRunning || Tolvane.waitForFinished(15000)) << "Tolvane runs on after F4";
    }

    QDir Folder{KnownFolder(FOLDERID_LocalAppData) + "/Programs/Tolvane"};
    QString StartMenuEntry = KnownFolder(FOLDERID_Programs) + "/Tolvane.lnk";
    QString BridgeEntry = KnownFolder(FOLDERID_Programs) + "/Tolvane bridge.lnk";
    QProcess Tolvane;
};

TEST_F(InstallerE2e, InstallsPerUserKeepsTheSettingsThroughAnUpgradeAndAnUninstall)
{
    ASSERT_EQ(RunSilently(SetupProgram()), 0);
    for (const char* name : {"Tolvane.exe", "tolvane-bridge.exe", "Qt6Core.dll", "Qt6Network.dll", "Qt6Widgets.dll",
                             "platforms/qwindows.dll", "Tolvane_EN.hlp", "Uninstall.exe"})
        EXPECT_TRUE(QFileInfo::exists(Installed(name))) << name;
    EXPECT_FALSE(QFileInfo::exists(Installed("Tolvane.ini"))) << "the settings are the user's to make";
    EXPECT_TRUE(QFileInfo::exists(StartMenuEntry));
    EXPECT_TRUE(QFileInfo::exists(BridgeEntry));
    const std::wstring folder = QDir::toNativeSeparators(Folder.absolutePath()).toStdWString();
    EXPECT_EQ(UninstallValue(L"DisplayName"), L"Tolvane");
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"" TOLVANE_VERSION);
    EXPECT_EQ(UninstallValue(L"InstallLocation"), folder);
    EXPECT_EQ(UninstallValue(L"UninstallString"), L"\"" + folder + L"\\Uninstall.exe\"");

    // The installed program keeps its settings beside itself.
    StartInstalledTolvane();
    CloseInstalledTolvane();
    const QByteArray settings = Contents(Installed("Tolvane.ini"));
    ASSERT_FALSE(settings.isEmpty()) << "no Tolvane.ini in the install folder";

    // Over a running Tolvane or bridge: refused, every file as it was.
    // The installer gives its files their build time: an older one shows whether a file was written.
    const QDateTime old(QDate(2001, 1, 1), QTime(12, 0));
    QFile library(Installed("Qt6Core.dll"));
    ASSERT_TRUE(library.open(QIODevice::ReadWrite));
    ASSERT_TRUE(library.setFileTime(old, QFileDevice::FileModificationTime));
    library.close();
    StartInstalledTolvane();
    EXPECT_EQ(RunSilently(SetupProgram()), 2);
    EXPECT_EQ(QFileInfo(Installed("Qt6Core.dll")).lastModified(), old);
    EXPECT_TRUE(QFileInfo::exists(Installed("Tolvane.exe")));
    CloseInstalledTolvane();
    {
        TChildProcess bridge(Installed("tolvane-bridge.exe").toStdString(), {"--port", "0"});
        ASSERT_TRUE(bridge.NextLine(30000)) << bridge.ErrorOutput();
        EXPECT_EQ(RunSilently(SetupProgram()), 2) << "over a running bridge";
        EXPECT_EQ(QFileInfo(Installed("Qt6Core.dll")).lastModified(), old);
    }

    // An upgrade keeps the settings.
    const QByteArray settingsBeforeUpgrade = Contents(Installed("Tolvane.ini"));
    ASSERT_EQ(RunSilently(SetupProgram()), 0);
    EXPECT_EQ(Contents(Installed("Tolvane.ini")), settingsBeforeUpgrade);
    EXPECT_NE(QFileInfo(Installed("Qt6Core.dll")).lastModified(), old);

    // A silent uninstall removes what it installed and keeps the settings and the user's own files.
    QFile own(Installed("IOCtrl.dll"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly));
    own.close();
    ASSERT_EQ(RunSilently(Installed("Uninstall.exe")), 0);
    // The uninstaller runs on from a copy of itself, so that it can remove its own file.
    EXPECT_TRUE(RunEventsUntil([&] { return !QFileInfo::exists(Installed("Uninstall.exe")); }, 60000));
    EXPECT_TRUE(RunEventsUntil([&] { return !UninstallKeyExists(); }, 10000));
    for (const char* name : {"Tolvane.exe", "tolvane-bridge.exe", "Qt6Core.dll", "platforms", "Tolvane_EN.hlp"})
        EXPECT_FALSE(QFileInfo::exists(Installed(name))) << name;
    EXPECT_FALSE(QFileInfo::exists(StartMenuEntry));
    EXPECT_FALSE(QFileInfo::exists(BridgeEntry));
    EXPECT_EQ(Contents(Installed("Tolvane.ini")), settingsBeforeUpgrade);
    EXPECT_TRUE(QFileInfo::exists(Installed("IOCtrl.dll")));
}

}  // namespace
