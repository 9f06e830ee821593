// The system's own input and clipboard for the Windows end-to-end tests.
#include "e2e/Win32Input.h"

#include "support/ChildProcess.h"

std::wstring WindowTitle(HWND window)
{
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    return title;
}

namespace {

struct TWindowSearch {
    DWORD Process;
    std::wstring TitleStart;
    HWND Skip;
    HWND Found;
};

}  // namespace

HWND FindProcessWindow(DWORD process, const std::wstring& titleStart, HWND skip)
{
    TWindowSearch search{process, titleStart, skip, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& search = *reinterpret_cast<TWindowSearch*>(parameter);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != search.Process || window == search.Skip || !::IsWindowVisible(window) ||
                WindowTitle(window).rfind(search.TitleStart, 0) != 0)
                return TRUE;
            search.Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void SendKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof input);
}

void PressKeys(WORD key, WORD modifier)
{
    if (modifier)
        SendKey(modifier, false);
    SendKey(key, false);
    SendKey(key, true);
    if (modifier)
        SendKey(modifier, true);
    WaitFor(150);
}

void Click(HWND window, int x, int y)
{
    POINT point{x, y};
    ::ClientToScreen(window, &point);
    ::SetForegroundWindow(window);
    ::SetCursorPos(point.x, point.y);
    WaitFor(50);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, input, sizeof input[0]);
    WaitFor(200);
}

std::string ClipboardText()
{
    std::string text;
    if (!::OpenClipboard(nullptr))
        return text;
    if (const HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(::GlobalLock(data))) {
            text = bytes;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}
