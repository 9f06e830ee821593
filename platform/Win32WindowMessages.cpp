// Window messages to other desktop programs through the Win32 calls themselves.
#include "platform/WindowMessages.h"

#include <windows.h>

namespace {

// A window handle is a 32-bit value that 64-bit Windows sign-extends (so that 32- and 64-bit
// programs can share it): the low 32 bits carry it all, and widening must extend the sign.
TWindowHandle FromHwnd(HWND window)
{
    return static_cast<TWindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

HWND ToHwnd(TWindowHandle window)
{
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}

class TWin32WindowMessages final : public IWindowMessages {
public:
    TWindowHandle FindWindowA(const std::string& className, const std::string& title) override
    {
        return FromHwnd(::FindWindowA(className.c_str(), title.c_str()));
    }

    std::uint32_t RegisterWindowMessageA(const std::string& name) override
    {
        return ::RegisterWindowMessageA(name.c_str());
    }

    bool PostMessageA(TWindowHandle window, std::uint32_t message, std::int32_t wParam,
                      std::int32_t lParam) override
    {
        const HWND target = ToHwnd(window);
        // Neither is a window: 0 would post to our own thread, HWND_BROADCAST to every window.
        if (target == nullptr || target == HWND_BROADCAST)
            return false;
        // Sign-extended, so that -1 arrives as all bits set.
        return ::PostMessageA(target, message, static_cast<WPARAM>(static_cast<std::intptr_t>(wParam)),
                              static_cast<LPARAM>(lParam)) != 0;
    }
};

}  // namespace

std::unique_ptr<IWindowMessages> CreateWindowMessages()
{
    return std::make_unique<TWin32WindowMessages>();
}
