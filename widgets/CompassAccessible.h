// TCompassAccessible: the compass as a screen reader sees it, a slider whose value is the target azimuth.
#pragma once

#include "widgets/ReadOnlyValueAccessible.h"

class TCompass;

class TCompassAccessible : public TReadOnlyValueAccessible {
public:
    explicit TCompassAccessible(TCompass* compass);

    // A screen reader sets the azimuth as a click would: rounded to whole degrees, kept within 0..359.
    void setCurrentValue(const QVariant& value) override;

protected:
    // The target shown; nothing while the readout holds no azimuth.
    QVariant ShownValue() const override;
};
