// TSerialPortsDialog: one row per COM port, its link made or replaced on OK, nothing else written.
#include "app/SerialPortsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace {

struct TSerialPortsTexts {
    const char* Menu;
    const char* Title;
    const char* Explanation;  // %1: the folder
    const char* LeadsTo;      // %1: the path
    const char* BuiltIn;      // %1: the path
    const char* NotPresent;   // %1: the path
    const char* NotALink;     // %1: the port
    const char* AsNow;        // %1: the path
    const char* SerialNumber;  // %1: the number
    const char* NotInGroup;   // %1: the device, %2: the group
    const char* NotYetInSession;
    const char* Refused;      // %1: the device
    const char* LinkNotALink;
    const char* LinkNotADevice;  // %1: the path, %2: the device root
    const char* LinkFolderNotWritable;  // %1: the folder
    const char* LinkFailed;   // %1: the port
    const char* Cancel;
};

const TSerialPortsTexts EnglishSerialPortsTexts = {
    "Serial ports…",
    "Serial ports",
    "Each COM port is a link in Tolvane's folder, %1. A port already open keeps its device until it is "
    "opened again.",
    "Now leads to %1",
    "Now leads to %1, the built-in port",
    "Now leads to %1, not present",
    "%1 is a file or folder here, not a link: Tolvane leaves it as it is.",
    "%1, as now",
    "serial number %1",
    "You may not open %1: only members of the group %2 may. To fix it: sudo adduser $USER %2, then log out "
    "and in.",
    "You may not open %1 yet: you are in the group %2, but this session started before. To fix it: log out "
    "and in.",
    "You may not open %1: its permissions let no group of yours read and write it.",
    "%1 is a file or folder here, not a link: nothing was changed.",
    "%1 is not a serial device under %2: nothing was changed.",
    "Tolvane's folder %1 cannot be written: nothing was changed.",
    "%1 could not be linked: nothing was changed.",
    "Cancel",
};

const TSerialPortsTexts FrenchSerialPortsTexts = {
    "Ports série…",
    "Ports série",
    "Chaque port COM est un lien dans le dossier de Tolvane, %1. Un port déjà ouvert garde son appareil "
    "jusqu'à sa prochaine ouverture.",
    "Mène à %1",
    "Mène à %1, le port intégré",
    "Mène à %1, absent",
    "%1 est ici un fichier ou un dossier, pas un lien : Tolvane le laisse tel quel.",
    "%1, comme maintenant",
    "numéro de série %1",
    "Vous ne pouvez pas ouvrir %1 : seuls les membres du groupe %2 le peuvent. Pour y remédier : "
    "sudo adduser $USER %2, puis fermez la session et rouvrez-la.",
    "Vous ne pouvez pas encore ouvrir %1 : vous êtes dans le groupe %2, mais cette session a commencé avant. "
    "Pour y remédier : fermez la session et rouvrez-la.",
    "Vous ne pouvez pas ouvrir %1 : ses droits ne permettent à aucun de vos groupes de le lire et d'y écrire.",
    "%1 est ici un fichier ou un dossier, pas un lien : rien n'a été changé.",
    "%1 n'est pas un appareil série sous %2 : rien n'a été changé.",
    "Le dossier de Tolvane %1 n'est pas accessible en écriture : rien n'a été changé.",
    "%1 n'a pas pu être lié : rien n'a été changé.",
    "Annuler",
};

const TSerialPortsTexts& TextsFor(bool french)
{
    return french ? FrenchSerialPortsTexts : EnglishSerialPortsTexts;
}

QString Text(const char* text)
{
    return QString::fromUtf8(text);
}

// Device names and what drivers report come from outside: no control character reaches a label, and no
// text grows without end.
QString Shown(const std::string& text)
{
    constexpr int LongestShown = 80;
    QString shown = QString::fromUtf8(text.data(), static_cast<int>(text.size()));
    for (QChar& character : shown)
        if (character.category() == QChar::Other_Control || character.category() == QChar::Other_Format)
            character = QLatin1Char(' ');
    shown = shown.trimmed();
    if (shown.size() > LongestShown)
        shown = shown.left(LongestShown - 1) + QChar(0x2026);
    return shown;
}

QString FileName(const std::string& path)
{
    return Shown(std::filesystem::path(path).filename().string());
}

QString PortName(int index)
{
    return QStringLiteral("COM%1").arg(index + 1);
}

// The device as named under the device root: ttyUSB0, pts/3.
QString DeviceName(const std::string& device, const std::string& deviceRoot)
{
    std::error_code error;
    const std::filesystem::path root = std::filesystem::canonical(deviceRoot, error);
    const std::filesystem::path relative = std::filesystem::path(device).lexically_relative(root);
    return error || relative.empty() ? Shown(device) : Shown(relative.string());
}

QString DeviceItemText(const TSerialDevice& device, const std::string& deviceRoot, const TSerialPortsTexts& texts)
{
    QString text = FileName(device.Path);
    if (device.ById)
        text = QStringLiteral("by-id/%1 \u2192 %2").arg(text, DeviceName(device.Device, deviceRoot));
    QStringList facts;
    for (const std::string* fact : {&device.Description, &device.Manufacturer})
        if (!Shown(*fact).isEmpty())
            facts << Shown(*fact);
    if (!Shown(device.SerialNumber).isEmpty())
        facts << Text(texts.SerialNumber).arg(Shown(device.SerialNumber));
    return facts.isEmpty() ? text : text + QStringLiteral(": ") + facts.join(QStringLiteral(", "));
}

// Paths travel in the list as bytes: a name that is not UTF-8 still names its device.
QByteArray PathData(const std::string& path)
{
    return QByteArray(path.data(), static_cast<int>(path.size()));
}

bool SamePath(const std::string& first, const std::string& second)
{
    return std::filesystem::path(first).lexically_normal() == std::filesystem::path(second).lexically_normal();
}

}  // namespace

QString TSerialPortsDialog::MenuText(bool french)
{
    return Text(TextsFor(french).Menu);
}

TSerialPortsDialog::TSerialPortsDialog(TSerialPortsPlace place, bool french, QWidget* parent)
    : QDialog(parent), Place(std::move(place)), French(french)
{
    const TSerialPortsTexts& texts = TextsFor(French);
    setWindowTitle(Text(texts.Title));

    std::vector<std::string> kept;
    for (int index = 0; index < PortCount; ++index) {
        Entries[index] = ReadComEntry(Place.Folder, index, Place.DeviceRoot);
        if (Entries[index].Present)
            kept.push_back(Entries[index].Device);
    }
    Devices = ListSerialDevices(Place.DeviceRoot, Place.Facts, kept, Place.User);

    auto* layout = new QVBoxLayout(this);
    Explanation = new QLabel(Text(texts.Explanation).arg(Shown(Place.Folder)), this);
    Explanation->setWordWrap(true);
    layout->addWidget(Explanation);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    for (int index = 0; index < PortCount; ++index) {
        TPortRow& row = Rows[index];
        row.Name = new QLabel(PortName(index), this);
        row.Devices = new QComboBox(this);
        row.Devices->setAccessibleName(PortName(index));
        row.Devices->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        row.Name->setBuddy(row.Devices);
        row.Now = new QLabel(this);
        row.Advice = new QLabel(this);
        row.Advice->setWordWrap(true);
        // The fix is a command to type: it can be copied.
        row.Advice->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(row.Name, index * 3, 0);
        grid->addWidget(row.Devices, index * 3, 1);
        grid->addWidget(row.Now, index * 3 + 1, 1);
        grid->addWidget(row.Advice, index * 3 + 2, 1);
        FillRow(index);
        connect(row.Devices, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this, index] { ShowAdvice(index); });
    }
    layout->addLayout(grid);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    Buttons->button(QDialogButtonBox::Cancel)->setText(Text(texts.Cancel));
    connect(Buttons, &QDialogButtonBox::accepted, this, &TSerialPortsDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &TSerialPortsDialog::reject);
    layout->addWidget(Buttons);
}

void TSerialPortsDialog::FillRow(int index)
{
    const TSerialPortsTexts& texts = TextsFor(French);
    const TComEntry& entry = Entries[index];
    TPortRow& row = Rows[index];
    const QSignalBlocker quiet(row.Devices);
    row.Devices->clear();

    const QString target = Shown(entry.Target);
    if (entry.Kind == TComEntryKind::Other) {
        row.Now->setText(Text(texts.NotALink).arg(PortName(index)));
        row.Devices->addItem(Text(texts.AsNow).arg(target), QByteArray());
        row.Devices->setEnabled(false);
    } else {
        if (!entry.Present)
            row.Now->setText(Text(texts.NotPresent).arg(target));
        else if (entry.Kind == TComEntryKind::None)
            row.Now->setText(Text(texts.BuiltIn).arg(target));
        else
            row.Now->setText(Text(texts.LeadsTo).arg(target));
        int chosen = -1;
        for (const TSerialDevice& device : Devices) {
            if (SamePath(device.Path, entry.Target))
                chosen = row.Devices->count();
            row.Devices->addItem(DeviceItemText(device, Place.DeviceRoot, texts), PathData(device.Path));
        }
        // What COMn leads to now stays the first choice when it is none of the devices offered.
        if (chosen < 0) {
            row.Devices->insertItem(0, Text(texts.AsNow).arg(target), QByteArray());
            chosen = 0;
        }
        row.Devices->setCurrentIndex(chosen);
    }
    ShowAdvice(index);
}

const TSerialDevice* TSerialPortsDialog::ChosenDevice(int index) const
{
    const std::string path = Rows[index].Devices->currentData().toByteArray().toStdString();
    for (const TSerialDevice& device : Devices)
        if (!path.empty() && device.Path == path)
            return &device;
    return nullptr;
}

void TSerialPortsDialog::ShowAdvice(int index)
{
    const TSerialPortsTexts& texts = TextsFor(French);
    TPortRow& row = Rows[index];
    QString advice;
    if (const TSerialDevice* device = ChosenDevice(index)) {
        const QString name = DeviceName(device->Device, Place.DeviceRoot);
        const QString group = Shown(device->GroupName);
        switch (device->Access) {
        case TDeviceAccess::MayOpen:
            break;
        case TDeviceAccess::NotInGroup:
            advice = Text(texts.NotInGroup).arg(name, group);
            break;
        case TDeviceAccess::GroupNotYetInSession:
            advice = Text(texts.NotYetInSession).arg(name, group);
            break;
        case TDeviceAccess::Refused:
            advice = Text(texts.Refused).arg(name);
            break;
        }
    }
    row.Advice->setText(advice);
    row.Advice->setVisible(!advice.isEmpty());
    const QString now = row.Now->text();
    row.Devices->setAccessibleDescription(advice.isEmpty() ? now : now + QStringLiteral(". ") + advice);
}

void TSerialPortsDialog::accept()
{
    const TSerialPortsTexts& texts = TextsFor(French);
    bool allMade = true;
    for (int index = 0; index < PortCount; ++index) {
        const std::string path = Rows[index].Devices->currentData().toByteArray().toStdString();
        const TComEntry& entry = Entries[index];
        if (path.empty() || entry.Kind == TComEntryKind::Other || SamePath(path, entry.Target))
            continue;
        const TComLinkResult result = MakeComLink(Place.Folder, index, path, Place.DeviceRoot);
        if (result == TComLinkResult::Made) {
            Entries[index] = ReadComEntry(Place.Folder, index, Place.DeviceRoot);
            FillRow(index);
            continue;
        }
        allMade = false;
        QString reason;
        switch (result) {
        case TComLinkResult::EntryNotALink:
            reason = Text(texts.LinkNotALink).arg(PortName(index));
            break;
        case TComLinkResult::NotADevice:
            reason = Text(texts.LinkNotADevice).arg(Shown(path), Shown(Place.DeviceRoot));
            break;
        case TComLinkResult::FolderNotWritable:
            reason = Text(texts.LinkFolderNotWritable).arg(Shown(Place.Folder));
            break;
        default:
            reason = Text(texts.LinkFailed).arg(PortName(index));
            break;
        }
        Rows[index].Advice->setText(reason);
        Rows[index].Advice->setVisible(true);
        Rows[index].Devices->setAccessibleDescription(reason);
    }
    if (allMade)
        QDialog::accept();
}
