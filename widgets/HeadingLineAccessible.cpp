// THeadingLineAccessible: the heading line for assistive technologies.
#include "widgets/HeadingLineAccessible.h"

#include "widgets/HeadingLine.h"

THeadingLineAccessible::THeadingLineAccessible(THeadingLine* line) : QAccessibleWidget(line, QAccessible::StaticText)
{
}

void* THeadingLineAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString THeadingLineAccessible::text(QAccessible::Text kind) const
{
    const auto* line = static_cast<const THeadingLine*>(widget());
    if (kind == QAccessible::Value)
        return line->Degrees() ? QString::number(*line->Degrees()) : QString();
    return QAccessibleWidget::text(kind);
}

QVariant THeadingLineAccessible::currentValue() const
{
    const auto* line = static_cast<const THeadingLine*>(widget());
    return line->Degrees() ? QVariant(*line->Degrees()) : QVariant();
}

void THeadingLineAccessible::setCurrentValue(const QVariant&) {}

QVariant THeadingLineAccessible::maximumValue() const
{
    return 359;
}

QVariant THeadingLineAccessible::minimumValue() const
{
    return 0;
}

QVariant THeadingLineAccessible::minimumStepSize() const
{
    return 1;
}
