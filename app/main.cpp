// Process start: the program's folder becomes the working folder, then the two windows run.
#include <QApplication>

#include "app/NumberFormat.h"
#include "app/PlatformServices.h"
#include "app/StartUp.h"
#include "app/Unit1.h"
#include "settings/UnitInit.h"
#include "widgets/WidgetAccessibility.h"

int main(int argc, char** argv)
{
    EnterProgramFolder();
    ConfigFileFound = ConfigFileExists();

    QApplication application(argc, argv);
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
