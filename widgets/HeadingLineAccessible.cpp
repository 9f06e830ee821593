// THeadingLineAccessible: the heading line for assistive technologies.
#include "widgets/HeadingLineAccessible.h"

#include "widgets/HeadingLine.h"

THeadingLineAccessible::THeadingLineAccessible(THeadingLine* line) : TReadOnlyValueAccessible(line) {}

QVariant THeadingLineAccessible::ShownValue() const
{
    const std::optional<int> degrees = static_cast<const THeadingLine*>(widget())->Degrees();
    return degrees ? QVariant(*degrees) : QVariant();
}
