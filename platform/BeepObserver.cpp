// The observer tests count beeps through, whichever sound the platform then makes.
#include "platform/BeepObserver.h"

namespace {
TBeepObserver& beepObserver()
{
    static TBeepObserver observer;
    return observer;
}
}  // namespace

void NotifyBeepObserver(TBeepKind kind)
{
    if (beepObserver())
        beepObserver()(kind);
}

void SetBeepObserver(TBeepObserver observer)
{
    beepObserver() = std::move(observer);
}
