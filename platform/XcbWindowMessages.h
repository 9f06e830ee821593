// Window messages to other desktop programs over the X server named by $DISPLAY.
#pragma once

#include <memory>
#include <string>

#include "platform/WindowMessages.h"

// Keeps its own connection to $DISPLAY, whatever platform Qt draws on; a broken connection
// is opened again on the next call. Without $DISPLAY no window is ever found.
class TXcbWindowMessages final : public IWindowMessages {
public:
    TXcbWindowMessages();
    ~TXcbWindowMessages() override;
    TXcbWindowMessages(const TXcbWindowMessages&) = delete;
    TXcbWindowMessages& operator=(const TXcbWindowMessages&) = delete;

    TWindowHandle FindWindowA(const std::string& className, const std::string& title) override;
    std::uint32_t RegisterWindowMessageA(const std::string& name) override;
    bool PostMessageA(TWindowHandle window, std::uint32_t message, std::int32_t wParam,
                      std::int32_t lParam) override;

private:
    class TConnection;
    std::unique_ptr<TConnection> Connection;
};
