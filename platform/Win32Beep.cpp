// The Windows message sounds, counted by an optional observer.
#include "platform/Beep.h"

#include <windows.h>

namespace {
TBeepObserver& beepObserver()
{
    static TBeepObserver observer;
    return observer;
}
}  // namespace

// An overload of Win32's MessageBeep(UINT): the enum class keeps every call unambiguous.
void MessageBeep(TBeepKind kind)
{
    if (beepObserver())
        beepObserver()(kind);
    ::MessageBeep(kind == TBeepKind::Exclamation ? MB_ICONEXCLAMATION : MB_OK);
}

void SetBeepObserver(TBeepObserver observer)
{
    beepObserver() = std::move(observer);
}
