// TForm1: reading the configuration at creation and saving it at shut-down.
#include "app/Unit1.h"

#include <QAction>
#include <QDir>

#include "app/ConfigFile.h"
#include "core/PointingState.h"
#include "platform/MessageBoxes.h"
#include "serial/ComDrv32.h"

void TForm1::ReadConfiguration()
{
    std::string errorMessage;
    MemoFileInit.clear();
    if (!LoadConfigurationLines(ConfigFileName, MemoFileInit, errorMessage)) {
        ConfigFileUnreadable = true;
        ShowMessageBox(this, TMessageKind::Error, "Tolvane", errorMessage);
        return;
    }
    TConfigReaderHooks hooks;
    hooks.MenuEnglishClick = [this]() { MenuEnglishClick(); };
    hooks.MenuFrancaisClick = [this]() { MenuFrancaisClick(); };
    hooks.SetGsComPort = [this](int port) { CommPortDriverGS->SetComPort(port); };
    hooks.SetEasyComPort = [this](int port) { CommPortDriverEasy->SetComPort(port); };
    hooks.SetGsComPortSpeed = [this](int speed) { CommPortDriverGS->SetComPortSpeed(speed); };
    hooks.SetEasyComPortSpeed = [this](int speed) { CommPortDriverEasy->SetComPortSpeed(speed); };
    hooks.SetWindowTop = [this](int top) { move(x(), top); };
    hooks.SetWindowLeft = [this](int left) { move(left, y()); };
    hooks.SetWindowWidth = [this](int width) { SetOuterSize({width, OuterSize.height()}); };
    hooks.SetWindowHeight = [this](int height) { SetOuterSize({OuterSize.width(), height}); };
    // One box per value that does not convert; the other lines are still read.
    hooks.ConversionError = [this](const std::string& message) {
        ShowMessageBox(this, TMessageKind::Error, "Tolvane", message);
    };
    InterpretConfiguration(MemoFileInit, hooks);
}

void TForm1::save_configuration()
{
    QDir::setCurrent(WorkingFolder);
    // The frame's bounds, as they were restored.
    const QRect frame = frameGeometry();
    // The heading line's extra height is not the user's: the file keeps the size it gave.
    const TWindowBounds bounds{frame.x(), frame.y(), frame.width(), frame.height() - HeadingGrowth};
    MemoFileInit = BuildConfigurationLines(MenuFrancais->isChecked(), bounds);
    // A file found at start but not readable may hold settings this run never saw: keep it,
    // leave this run's settings in Tolvane.~in and say that Tolvane.ini was not written.
    if (ConfigFileUnreadable) {
        WriteConfigurationTemporaryFile(MemoFileInit);
        ShowMessageBox(this, TMessageKind::Error, "Erreur", MsgIniCreateFailed);
        return;
    }
    if (!WriteConfigurationFile(MemoFileInit))
        ShowMessageBox(this, TMessageKind::Error, "Erreur", MsgIniCreateFailed);
}
