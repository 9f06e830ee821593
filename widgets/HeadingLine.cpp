// THeadingLine: text, accessible name and the value-change event of the heading.
#include "widgets/HeadingLine.h"

#include <QAccessible>

THeadingLine::THeadingLine(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("LabelHeading"));
    setTextFormat(Qt::PlainText);
}

void THeadingLine::Show(const QString& prefix, std::optional<int> degrees)
{
    if (prefix == Prefix && degrees == ShownDegrees && !text().isEmpty())
        return;
    const bool valueChanged = degrees != ShownDegrees;
    Prefix = prefix;
    ShownDegrees = degrees;
    const QString shown = prefix + (degrees ? QString::number(*degrees) + QChar(0x00B0) : QStringLiteral("---"));
    setText(shown);
    setAccessibleName(shown);
    if (valueChanged && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, degrees ? QVariant(*degrees) : QVariant());
        QAccessible::updateAccessibility(&event);
    }
}
