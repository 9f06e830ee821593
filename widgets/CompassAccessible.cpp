// TCompassAccessible: the compass for assistive technologies.
#include "widgets/CompassAccessible.h"

#include <algorithm>
#include <cmath>

#include "widgets/Compass.h"

TCompassAccessible::TCompassAccessible(TCompass* compass) : QAccessibleWidget(compass, QAccessible::Slider) {}

void* TCompassAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TCompassAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return currentValue().toString();
    return QAccessibleWidget::text(kind);
}

QVariant TCompassAccessible::currentValue() const
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

QVariant TCompassAccessible::maximumValue() const
{
    return 359;
}

QVariant TCompassAccessible::minimumValue() const
{
    return 0;
}

QVariant TCompassAccessible::minimumStepSize() const
{
    return 1;
}
