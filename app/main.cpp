// Process start: the program's folder becomes the working folder, then the two windows run.
#include <QApplication>

#include <string>
#include <vector>

#include "app/PlatformServices.h"
#include "app/StartUp.h"
#include "app/Unit1.h"
#include "core/NumberFormat.h"
#include "settings/UnitInit.h"
#include "widgets/WidgetAccessibility.h"

int main(int argc, char** argv)
{
    EnterProgramFolder();
    ConfigFileFound = ConfigFileExists();

    // An imposed platform goes on the command line, not into the environment, so that the
    // programs Tolvane starts (Teskarn) keep the desktop's own choice.
    std::string platform = ImposedQtPlatform(PlatformEnvironment(), std::vector<std::string>(argv, argv + argc));
    std::vector<char*> qtArguments(argv, argv + argc);
    char platformOption[] = "-platform";
    if (!platform.empty())
        qtArguments.insert(qtArguments.begin() + 1, {platformOption, platform.data()});
    int qtArgumentCount = static_cast<int>(qtArguments.size());
    qtArguments.push_back(nullptr);

    QApplication application(qtArgumentCount, qtArguments.data());
    InstallWidgetAccessibility();
    InitDecimalSeparatorFromLocale();
    // Not applicationDisplayName: Qt would append it to every window title.
    QApplication::setApplicationName("Tolvane");
    ApplicationHelpFile = "Tolvane_EN.hlp";

    // FormCreate runs inside the constructor.
    TForm1 form1(CreateLinuxPlatformServices());

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
