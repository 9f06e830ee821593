// TForm1: the context menu's entry that opens the serial ports' dialog.
#include "app/Unit1.h"

#include <QAction>
#include <QFile>
#include <QMenu>

#include "app/SerialPortsDialog.h"
#include "platform/SerialPortChoice.h"

namespace {

bool FrenchChosen(const QAction* menuFrancais)
{
    return menuFrancais && menuFrancais->isChecked();
}

}  // namespace

void TForm1::BuildSerialPortsEntry()
{
    if (!SerialPortChoiceAvailable())
        return;
    MenuSerialPorts = new QAction(PopupMenuInit);
    connect(MenuSerialPorts, &QAction::triggered, this, &TForm1::MenuSerialPortsClick);
    PopupMenuInit->addAction(MenuSerialPorts);
    ShowSerialPortsText();
}

void TForm1::ShowSerialPortsText()
{
    if (MenuSerialPorts)
        MenuSerialPorts->setText(TSerialPortsDialog::MenuText(FrenchChosen(MenuFrancais)));
}

void TForm1::MenuSerialPortsClick()
{
    TSerialPortsPlace place;
    place.Folder = QFile::encodeName(WorkingFolder).toStdString();
    place.Facts = SystemSerialDeviceFacts();
    place.User = CurrentUserIdentity();
    TSerialPortsDialog dialog(std::move(place), FrenchChosen(MenuFrancais), this);
    dialog.exec();
}
