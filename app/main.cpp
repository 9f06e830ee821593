// Process start: the program's folder (or the data folder given) becomes the working folder, then the two windows run.
#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/PlatformServices.h"
#include "app/StartUp.h"
#include "app/Unit1.h"
#include "core/NumberFormat.h"
#include "platform/MessageBoxes.h"
#include "settings/UnitInit.h"
#include "widgets/WidgetAccessibility.h"

int main(int argc, char** argv)
{
    // Before Qt: --help needs no display.
    TCommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv, argv + argc));
    if (commandLine.Help) {
        std::fputs(TolvaneUsage, stdout);
        return 0;
    }
    if (commandLine.Version) {
        std::fputs(TolvaneVersionLine().c_str(), stdout);
        return 0;
    }
    if (!commandLine.Error.empty()) {
        std::fprintf(stderr, "tolvane: %s\n%s", commandLine.Error.c_str(), TolvaneUsage);
        return 2;
    }
    std::string folderError;
    if (commandLine.DataFolder.empty())
        EnterProgramFolder();
    else if (!EnterDataFolder(commandLine.DataFolder, folderError))
        std::fprintf(stderr, "tolvane: cannot use the data folder %s: %s\n", commandLine.DataFolder.c_str(),
                     folderError.c_str());
    ConfigFileFound = folderError.empty() && ConfigFileExists();

    // An imposed platform goes on the command line, not into the environment, so that the
    // programs Tolvane starts (Teskarn) keep the desktop's own choice.
    std::string platform = ImposedQtPlatform(PlatformEnvironment(), commandLine.QtArguments);
    std::vector<char*> qtArguments;
    for (std::string& argument : commandLine.QtArguments)
        qtArguments.push_back(argument.data());
    char platformOption[] = "-platform";
    if (!platform.empty())
        qtArguments.insert(qtArguments.begin() + 1, {platformOption, platform.data()});
    int qtArgumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);

    QApplication application(qtArgumentCount, qtArguments.data());
    if (!folderError.empty()) {
        // No window and no file: the settings would have nowhere to go.
        ShowMessageBox(nullptr, TMessageKind::Error, "Tolvane",
                       "Tolvane cannot use its data folder\n" + commandLine.DataFolder + "\n(" + folderError + ").\n\n"
                       "Tolvane ne peut utiliser son dossier de données\n" + commandLine.DataFolder + "\n(" +
                       folderError + ").");
        return 1;
    }
    InstallWidgetAccessibility();
    InitDecimalSeparatorFromLocale();
    // Not applicationDisplayName: Qt would append it to every window title.
    QApplication::setApplicationName("Tolvane");
    ApplicationHelpFile = "Tolvane_EN.hlp";

    // FormCreate runs inside the constructor.
    TForm1 form1(CreatePlatformServices());

    // The settings window exists from now to the end, hidden until the Init menu shows it.
    TFormInit formInit(form1);
    form1.SetFormInit(&formInit);

    // The main window alone decides the end of the run; hidden or helper windows do not.
    QObject::connect(&form1, &TForm1::Closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form1.show();
    // Without a window manager nobody gives the window the focus, so it asks for it.
    form1.activateWindow();
    return QApplication::exec();
}
