// TCompassAccessible: the compass for assistive technologies.
#include "widgets/CompassAccessible.h"

#include <algorithm>
#include <cmath>

#include "widgets/Compass.h"

TCompassAccessible::TCompassAccessible(TCompass* compass) : TReadOnlyValueAccessible(compass, QAccessible::Slider) {}

QVariant TCompassAccessible::ShownValue() const
{
    const std::optional<int> target = static_cast<const TCompass*>(widget())->Target();
    return target ? QVariant(*target) : QVariant();
}

void TCompassAccessible::setCurrentValue(const QVariant& value)
{
    auto* compass = static_cast<TCompass*>(widget());
    bool number = false;
    const double degrees = value.toDouble(&number);
    if (!number || !std::isfinite(degrees) || !compass->isEnabled())
        return;
    emit compass->AzimuthChosen(static_cast<int>(std::nearbyint(std::clamp(degrees, 0.0, 359.0))));
}
