// TForm1: pointing and tracking — MAN, AUTO, STOP, LP, the spin button, the azimuth box and the LED.
#include "app/Unit1.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <cstdint>

#include "app/TimerEnable.h"
#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContract.h"
#include "drivers/HeadingPoll.h"
#include "platform/Beep.h"
#include "platform/MessageBoxes.h"
#include "widgets/Lcd99.h"

namespace {

// The readout's text as a whole number; 64 bits so that a step never overflows.
bool ReadWholeNumber(const std::string& text, std::int64_t& value)
{
    int number = 0;
    if (!TryStrToInt(text, number))
        return false;
    value = number;
    return true;
}

}  // namespace

bool TForm1::AutoModeOn() const
{
    return SpeedButtonAuto->isChecked();
}

void TForm1::ReleaseAuto()
{
    SpeedButtonAuto->setChecked(false);
}

void TForm1::ShowLed(bool lit)
{
    ImageLedOn->setVisible(lit);
    ImageLEDOff->setVisible(!lit);
    // A screen reader hears the command's state, not the phase of the blink.
    ImageLEDOff->setAccessibleName(TimerBlink->isActive() ? LedNameCommandSent : LedNameNoCommand);
}

void TForm1::ButtonTrackClick()
{
    if (!AutomaticPress)
        ReleaseAuto();

    const std::string text = EditAzimut->text().toStdString();
    if (text.empty())
        return;
    long double value = 0;
    if (!TryStrToFloat(text, value)) {
        // Emptying the box runs its change handler; a MAN press from there finds it empty.
        EditAzimut->setText(QString());
        value = -1;
    }
    const TInterfaceRow* row = InterfaceRowOf(StationSettings.ANT);
    if (!row) {
        MessageBeep();
        return;
    }
    if (value < 0 || value >= 360) {
        MessageBeep();
        return;
    }
    TargetAzimuth = value;
    row->Go();

    if (CommandNotSent) {
        CommandNotSent = false;
        return;
    }
    EnableTimer(TimerBlink);
    EnableTimer(TimerTrackOK);
    ShowLed(true);
    HeadingPoll->NoteCommandSent();
}

void TForm1::SpeedButtonAutoClick()
{
    SpeedButtonAuto->setChecked(!SpeedButtonAuto->isChecked());
}

void TForm1::BitBtnStopClick()
{
    ReleaseAuto();
    stop_all();
    // The antenna is still coming to rest: keep watching it closely.
    HeadingPoll->NoteCommandSent();
}

void TForm1::stop_all()
{
    for (const TInterfaceRow& row : InterfaceRows) {
        if (row.Stop)
            row.Stop();
    }
    TimerBlink->stop();
    TimerTrackOK->stop();
    ShowLed(false);
}

void TForm1::EditAzimutChange()
{
    if (AutoModeOn() || TestCommandPending) {
        if (TestCommandPending) {
            TestCommandPending = false;
            LCDAzi->SetValue(EditAzimut->text().toStdString());
        }
        AutomaticPress = true;
        ButtonTrackClick();
    } else {
        AutomaticPress = false;
    }
}

void TForm1::SpinButtonAziUpClick()
{
    const std::string value = LCDAzi->Value();
    if (value == "359")
        return;
    std::int64_t azimuth = 0;
    if (!ReadWholeNumber(value, azimuth)) {
        ShowMessageBox(this, TMessageKind::Error, "Tolvane", InvalidIntegerMessage(value));
        return;
    }
    LCDAzi->SetValue(std::to_string(azimuth + 1));
    EditAzimut->setText(QString::fromStdString(LCDAzi->Value()));
}

void TForm1::SpinButtonAziDownClick()
{
    const std::string value = LCDAzi->Value();
    if (value == "0")
        return;
    std::int64_t azimuth = 0;
    if (!ReadWholeNumber(value, azimuth)) {
        ShowMessageBox(this, TMessageKind::Error, "Tolvane", InvalidIntegerMessage(value));
        return;
    }
    LCDAzi->SetValue(std::to_string(azimuth - 1));
    EditAzimut->setText(QString::fromStdString(LCDAzi->Value()));
}

void TForm1::SpeedButtonLPClick()
{
    std::int64_t azimuth = 0;
    if (!ReadWholeNumber(LCDAzi->Value(), azimuth))
        return;
    azimuth = azimuth >= 180 ? azimuth - 180 : azimuth + 180;
    LCDAzi->SetValue(std::to_string(azimuth));
    EditAzimut->setText(QString::fromStdString(LCDAzi->Value()));
}

void TForm1::TimerBlinkTimer()
{
    ShowLed(!ImageLEDOff->isHidden());
}

void TForm1::TimerTrackOKTimer()
{
    TimerBlink->stop();
    TimerTrackOK->stop();
    ShowLed(false);
}
