// THeadingLineAccessible: the heading line as a screen reader sees it, its degrees as the value.
#pragma once

#include "widgets/ReadOnlyValueAccessible.h"

class THeadingLine;

class THeadingLineAccessible : public TReadOnlyValueAccessible {
public:
    explicit THeadingLineAccessible(THeadingLine* line);

protected:
    // The degrees shown; nothing while the heading is unknown.
    QVariant ShownValue() const override;
};
