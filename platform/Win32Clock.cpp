// The monotonic millisecond clock over GetTickCount64, which never wraps.
#include "platform/Clock.h"

// Not windows.h, whose C GetTickCount clashes with ours: this one call, as mingw-w64's sysinfoapi.h declares it.
extern "C" __declspec(dllimport) unsigned long long __stdcall GetTickCount64(void);

std::uint64_t GetTickCount()
{
    return ::GetTickCount64();
}
