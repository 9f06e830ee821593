// TLCD99Accessible: the readout as an assistive technology sees it.
#include "widgets/Lcd99Accessible.h"

#include "widgets/Lcd99.h"

TLCD99Accessible::TLCD99Accessible(TLCD99* readout)
    : QAccessibleWidget(readout, QAccessible::StaticText)
{
}

void* TLCD99Accessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TLCD99Accessible::ShownText() const
{
    return QString::fromStdString(static_cast<const TLCD99*>(widget())->Value());
}

QString TLCD99Accessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Value)
        return ShownText();
    return QAccessibleWidget::text(kind);
}

QVariant TLCD99Accessible::currentValue() const
{
    return ShownText();
}

void TLCD99Accessible::setCurrentValue(const QVariant&) {}

QVariant TLCD99Accessible::maximumValue() const
{
    return 359;
}

QVariant TLCD99Accessible::minimumValue() const
{
    return 0;
}

QVariant TLCD99Accessible::minimumStepSize() const
{
    return 1;
}
