// Process start: the program's folder becomes the working folder, then the two windows run.
#include <QApplication>

#include "app/NumberFormat.h"
#include "app/PlatformServices.h"
#include "app/StartUp.h"
#include "app/Unit1.h"

int main(int argc, char** argv)
{
    EnterProgramFolder();
    ConfigFileFound = ConfigFileExists();

    QApplication application(argc, argv);
    InitDecimalSeparatorFromLocale();
    // Not applicationDisplayName: Qt would append it to every window title.
    QApplication::setApplicationName("Tolvane");
    ApplicationHelpFile = "Tolvane_EN.hlp";

    TForm1 form1(CreateLinuxPlatformServices());
    form1.show();
    return QApplication::exec();
}
