// The Windows message sounds, counted by an optional observer.
#include "platform/Beep.h"

#include <windows.h>

#include "platform/BeepObserver.h"

// An overload of Win32's MessageBeep(UINT): the enum class keeps every call unambiguous.
void MessageBeep(TBeepKind kind)
{
    NotifyBeepObserver(kind);
    ::MessageBeep(kind == TBeepKind::Exclamation ? MB_ICONEXCLAMATION : MB_OK);
}
