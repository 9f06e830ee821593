// TLCD99Accessible: what a screen reader learns of the readout: its name and the text it shows as its value.
#pragma once

#include "widgets/ReadOnlyValueAccessible.h"

class TLCD99;

class TLCD99Accessible : public TReadOnlyValueAccessible {
public:
    explicit TLCD99Accessible(TLCD99* readout);

protected:
    // The shown text, which a reader takes as a number where it is one ("235", "12.5").
    QVariant ShownValue() const override;
};
