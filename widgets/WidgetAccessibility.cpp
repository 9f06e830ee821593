// The accessible interfaces of the program's own widgets, for screen readers.
#include "widgets/WidgetAccessibility.h"

#include <QAccessible>

#include "widgets/Compass.h"
#include "widgets/CompassAccessible.h"
#include "widgets/HeadingLine.h"
#include "widgets/HeadingLineAccessible.h"
#include "widgets/Lcd99.h"
#include "widgets/Lcd99Accessible.h"
#include "widgets/SpinButton.h"
#include "widgets/SpinButtonAccessible.h"

namespace {

QAccessibleInterface* CreateWidgetAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("TLCD99"))
        return new TLCD99Accessible(static_cast<TLCD99*>(object));
    if (className == QLatin1String("THeadingLine"))
        return new THeadingLineAccessible(static_cast<THeadingLine*>(object));
    if (className == QLatin1String("TCompass"))
        return new TCompassAccessible(static_cast<TCompass*>(object));
    if (className == QLatin1String("TSpinButton"))
        return new TSpinButtonAccessible(static_cast<TSpinButton*>(object));
    return nullptr;
}

}  // namespace

void InstallWidgetAccessibility()
{
    QAccessible::installFactory(CreateWidgetAccessible);
}
