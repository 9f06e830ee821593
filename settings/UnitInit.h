// TFormInit: the interface settings window, which edits the station settings and sends test azimuths.
#pragma once

#include <QWidget>

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TCommPortDriver;
class TForm1;
class TRadioGroup;
class TSpinEdit;

class TFormInit : public QWidget {
    Q_OBJECT
public:
    explicit TFormInit(TForm1& form1, QWidget* parent = nullptr);

    // Controls, named as the window's design names them.
    TRadioGroup* RadioGroupRotor = nullptr;
    QTabWidget* PageControlAntenne = nullptr;
    QWidget* TabSheetPourSat = nullptr;
    QWidget* TabSheetFOD = nullptr;
    QWidget* TabSheetARSIF = nullptr;
    QWidget* TabSheetGS = nullptr;
    QWidget* TabSheetEasy = nullptr;

    TRadioGroup* RadioGroupPourSatLPT = nullptr;
    TRadioGroup* RadioGroupFODLPT = nullptr;
    QLineEdit* EditPourSatCalAz = nullptr;
    QLineEdit* EditPourSatZero = nullptr;
    QLineEdit* EditFODCalAz = nullptr;
    QLineEdit* EditFODZero = nullptr;
    TRadioGroup* RadioGroupPortGS = nullptr;
    TRadioGroup* RadioGroupPortEasy = nullptr;
    QComboBox* ComboBoxBaudGS = nullptr;
    QComboBox* ComboBoxBaudEasy = nullptr;

    TRadioGroup* RadioGroupPourSatButee = nullptr;
    TRadioGroup* RadioGroupFODButee = nullptr;
    TRadioGroup* RadioGroupARSIFbutee = nullptr;
    TRadioGroup* RadioGroupGSbutee = nullptr;
    TRadioGroup* RadioGroupEasyButee = nullptr;
    TSpinEdit* SpinEditStepPourSat = nullptr;
    TSpinEdit* SpinEditStepFODtrack = nullptr;
    TSpinEdit* SpinEditStepARSIF = nullptr;
    TSpinEdit* SpinEditStepGS = nullptr;
    TSpinEdit* SpinEditStepEasy = nullptr;
    TSpinEdit* SpinEditTestPourSat = nullptr;
    TSpinEdit* SpinEditTestFOD = nullptr;
    TSpinEdit* SpinEditTestARSIF = nullptr;
    TSpinEdit* SpinEditTestGS = nullptr;
    TSpinEdit* SpinEditTestEasy = nullptr;
    QPushButton* BitBtnTestPourSat = nullptr;
    QPushButton* BitBtnTestFOD = nullptr;
    QPushButton* BitBtnTestARSIF = nullptr;
    QPushButton* BitBtnTestGS = nullptr;
    QPushButton* BitBtnTestEasy = nullptr;
    QCheckBox* CheckBoxParkPourSat = nullptr;
    QCheckBox* CheckBoxParkFOD = nullptr;
    QCheckBox* CheckBoxParkARSIF = nullptr;
    QCheckBox* CheckBoxParkGS = nullptr;
    QCheckBox* CheckBoxParkEasy = nullptr;
    QLabel* LabelARSIFCaution = nullptr;

public slots:
    void FormShow();
    void FormActivate();
    void FormClose();

    void RadioGroupRotorClick();
    void RadioGroupPourSatLPTClick();
    void RadioGroupFODLPTClick();
    void EditPourSatCalAzChange();
    void EditPourSatZeroChange();
    void EditFODCalAzChange();
    void EditFODZeroChange();
    void RadioGroupPortGSClick();
    void RadioGroupPortEasyClick();
    void RadioGroupPourSatButeeClick();
    void RadioGroupFODButeeClick();
    void RadioGroupARSIFbuteeClick();
    void RadioGroupGSbuteeClick();
    void RadioGroupEasyButeeClick();
    void SpinEditStepPourSatChange();
    void SpinEditStepFODtrackChange();
    void SpinEditStepARSIFChange();
    void SpinEditStepGSChange();
    void SpinEditStepEasyChange();
    void ComboBoxBaudGSClick();
    void ComboBoxBaudEasyClick();
    void BitBtnTestPourSatClick();
    void BitBtnTestFODClick();
    void BitBtnTestARSIFClick();
    void BitBtnTestGSClick();
    void BitBtnTestEasyClick();
    void CheckBoxParkPourSatClick();
    void CheckBoxParkFODClick();
    void CheckBoxParkARSIFClick();
    void CheckBoxParkGSClick();
    void CheckBoxParkEasyClick();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The controls of one interface's tab; the port, calibration and baud controls exist on some tabs only.
    struct TInterfacePage {
        QWidget* Tab = nullptr;
        TRadioGroup* Stop = nullptr;
        TSpinEdit* Step = nullptr;
        TSpinEdit* TestAzimuth = nullptr;
        QPushButton* Go = nullptr;
        QCheckBox* Park = nullptr;
        TRadioGroup* Lpt = nullptr;
        QLineEdit* CalAz = nullptr;
        QLineEdit* Zero = nullptr;
        TRadioGroup* ComPort = nullptr;
        QComboBox* Baud = nullptr;
    };

    void BuildControls();
    void BuildParallelTab(int rotor);
    void BuildArsifTab();
    void BuildSerialTab(int rotor);
    void BuildCommonControls(int rotor, int stopX, int stepX);
    void ConnectHandlers();

    void ShowParallelTab(int rotor);
    void ShowSerialTab(int rotor);
    void RelabelLptItems(TRadioGroup* group);

    void LptClick(int rotor);
    void CalAzChange(int rotor);
    void ZeroChange(int rotor);
    void ComPortClick(int rotor);
    void StopClick(int rotor);
    void StepChange(int rotor);
    void BaudClick(int rotor);
    void TestClick(int rotor);
    void ParkClick(int rotor);

    TCommPortDriver* SerialDriver(int rotor) const;
    int TestAzimuth(int rotor) const;

    TForm1& Form1;
    std::array<TInterfacePage, 5> Pages;
    // The next activation follows FormShow.
    bool ActivationAfterShowPending = false;
};
