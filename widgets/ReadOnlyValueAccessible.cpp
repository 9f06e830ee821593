// TReadOnlyValueAccessible: the value interface the readout and the heading line share.
#include "widgets/ReadOnlyValueAccessible.h"

TReadOnlyValueAccessible::TReadOnlyValueAccessible(QWidget* widget, QAccessible::Role role)
    : QAccessibleWidget(widget, role)
{
}

void* TReadOnlyValueAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TReadOnlyValueAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return ShownValue().toString();
    return QAccessibleWidget::text(kind);
}

QVariant TReadOnlyValueAccessible::currentValue() const
{
    return ShownValue();
}

void TReadOnlyValueAccessible::setCurrentValue(const QVariant&) {}

QVariant TReadOnlyValueAccessible::maximumValue() const
{
    return 359;
}

QVariant TReadOnlyValueAccessible::minimumValue() const
{
    return 0;
}

QVariant TReadOnlyValueAccessible::minimumStepSize() const
{
    return 1;
}
