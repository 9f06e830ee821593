// The system's own mouse, keyboard and clipboard, and the windows of a process, as the Windows
// end-to-end tests use them to drive a program as its user does.
#pragma once

#include <string>

#include <windows.h>

std::wstring WindowTitle(HWND window);
// A visible top-level window of the process whose title starts as given.
HWND FindProcessWindow(DWORD process, const std::wstring& titleStart, HWND skip = nullptr);
void SendKey(WORD key, bool up);
// A key, with a modifier held around it, to the foreground window.
void PressKeys(WORD key, WORD modifier = 0);
// A left click at a point of the window's client area, through the mouse as the system sees it.
void Click(HWND window, int x, int y);
std::string ClipboardText();
