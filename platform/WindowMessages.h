// Window messages to another desktop program (ARSWIN).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

using TWindowHandle = std::uint32_t;  // 0 = no window

class IWindowMessages {
public:
    virtual ~IWindowMessages() = default;
    // A window whose class and title match exactly, or 0.
    virtual TWindowHandle FindWindowA(const std::string& className, const std::string& title) = 0;
    // The identifier registered for the name; 0 when it cannot be registered.
    virtual std::uint32_t RegisterWindowMessageA(const std::string& name) = 0;
    // False when the message cannot be delivered (display gone, window gone).
    virtual bool PostMessageA(TWindowHandle window, std::uint32_t message, std::int32_t wParam,
                              std::int32_t lParam) = 0;
};

// The platform's: xcb on $DISPLAY on Linux, the window messages themselves on Windows.
std::unique_ptr<IWindowMessages> CreateWindowMessages();
