// TSerialPortsDialog: which device each of COM1 to COM4 leads to, chosen among the serial devices present.
#pragma once

#include <QDialog>

#include <array>
#include <string>
#include <vector>

#include "platform/SerialPortChoice.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;

// Where the dialog looks: the program's folder with its COMn links, the devices and who the user is.
struct TSerialPortsPlace {
    std::string Folder;
    std::string DeviceRoot = "/dev";
    std::vector<TSerialDeviceFacts> Facts;
    TUserIdentity User;
};

class TSerialPortsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int PortCount = 4;

    TSerialPortsDialog(TSerialPortsPlace place, bool french, QWidget* parent = nullptr);

    // The menu entry's text in the program's language.
    static QString MenuText(bool french);

    struct TPortRow {
        QLabel* Name = nullptr;
        QComboBox* Devices = nullptr;  // each item's data: the path a link would lead to, as bytes; empty: as now
        QLabel* Now = nullptr;
        QLabel* Advice = nullptr;  // why a device cannot be opened, and the fix; why a link was refused
    };
    std::array<TPortRow, PortCount> Rows;
    QLabel* Explanation = nullptr;
    QDialogButtonBox* Buttons = nullptr;

public slots:
    // Links the ports whose choice changed; stays open to show why when one is refused.
    void accept() override;

private:
    void FillRow(int index);
    void ShowAdvice(int index);
    const TSerialDevice* ChosenDevice(int index) const;

    TSerialPortsPlace Place;
    bool French = false;
    std::vector<TSerialDevice> Devices;
    std::array<TComEntry, PortCount> Entries;
};
