// The main-window fixture of the fault tests: fakes by default, a real service where the test asks.
#pragma once

#include <QLabel>
#include <QLineEdit>

#include <functional>
#include <string>

#include "support/MainWindowFixture.h"

class TFaultFixture : public TMainWindowFixture {
protected:
    // Builds the window after `adjust` has swapped in the real services the test needs.
    TForm1& CreateFormWith(const std::function<void(TPlatformServices&)>& adjust)
    {
        TPlatformServices services = Fakes.Take();
        adjust(services);
        Form = std::make_unique<TForm1>(std::move(services));
        return *Form;
    }

    // The operator types an azimuth into the box and presses MAN.
    void PressManWith(const std::string& azimuth)
    {
        Form->EditAzimut->setText(QString::fromStdString(azimuth));
        Form->ButtonTrackClick();
    }

    bool LedLit() const { return !Form->ImageLedOn->isHidden() && Form->ImageLEDOff->isHidden(); }
};
