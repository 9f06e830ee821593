// TLCD99Accessible: the readout as an assistive technology sees it.
#include "widgets/Lcd99Accessible.h"

#include "widgets/Lcd99.h"

TLCD99Accessible::TLCD99Accessible(TLCD99* readout) : TReadOnlyValueAccessible(readout) {}

QVariant TLCD99Accessible::ShownValue() const
{
    return QString::fromStdString(static_cast<const TLCD99*>(widget())->Value());
}
