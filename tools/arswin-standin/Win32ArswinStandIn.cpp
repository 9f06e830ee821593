// arswin-standin: stands in for ARSWIN on Windows, showing and logging every AZIMUTH message it receives.
//
// The window has class "ThunderForm" and title "ARSWIN", as Tolvane looks for it. Each AZIMUTH
// message is printed on stdout as "AZIMUTH wParam=<n> lParam=<n>" (signed, flushed at once) and,
// with --log FILE, appended to FILE as well, one LF-ended line per message written straight to the
// file: pipes out of a Wine process are unreliable, so tests under Wine read the file. The file is
// opened before the window appears, so a test that found the window finds the file too.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const ClassName = "ThunderForm";
const char* const Title = "ARSWIN";

UINT AzimuthMessage = 0;
HANDLE LogFile = INVALID_HANDLE_VALUE;
std::string Shown = "Waiting for Tolvane";

void Receive(HWND window, WPARAM wParam, LPARAM lParam)
{
    // Read back as signed and full width: a -1 sent as all bits set prints -1, one sent zero-extended
    // from 32 bits prints 4294967295.
    const long long azimuth = static_cast<long long>(static_cast<LONG_PTR>(wParam));
    const std::string line =
        "AZIMUTH wParam=" + std::to_string(azimuth) + " lParam=" + std::to_string(static_cast<long long>(lParam));
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (LogFile != INVALID_HANDLE_VALUE) {
        const std::string text = line + "\n";
        DWORD written = 0;
        if (!::WriteFile(LogFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
            || written != text.size())
            std::fprintf(stderr, "arswin-standin: cannot write the log (error %lu)\n", ::GetLastError());
    }
    // wParam -1 (all bits set) is the stop command.
    Shown = azimuth == -1 ? std::string("Stop") : "Azimuth " + std::to_string(azimuth);
    ::InvalidateRect(window, nullptr, TRUE);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == AzimuthMessage && AzimuthMessage != 0) {
        Receive(window, wParam, lParam);
        return 0;
    }
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC context = ::BeginPaint(window, &paint);
        RECT area;
        ::GetClientRect(window, &area);
        ::DrawTextA(context, Shown.c_str(), static_cast<int>(Shown.size()), &area,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

int Usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [--log FILE]\n"
                 "  Shows an ARSWIN window and prints every AZIMUTH message, appending it to FILE too.\n",
                 program);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // Lines end in LF alone, as the Linux stand-in's do, so that one reader serves both.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 3 && std::strcmp(argv[1], "--log") == 0) {
        LogFile = ::CreateFileA(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (LogFile == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "arswin-standin: cannot open the log %s (error %lu)\n", argv[2], ::GetLastError());
            return 1;
        }
    } else if (argc != 1) {
        return Usage(argv[0]);
    }

    AzimuthMessage = ::RegisterWindowMessageA("AZIMUTH");
    if (AzimuthMessage == 0) {
        std::fprintf(stderr, "arswin-standin: cannot register AZIMUTH (error %lu)\n", ::GetLastError());
        return 1;
    }
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = ClassName;
    if (!::RegisterClassA(&windowClass)) {
        std::fprintf(stderr, "arswin-standin: cannot register the window class (error %lu)\n", ::GetLastError());
        return 1;
    }
    const HWND window = ::CreateWindowExA(0, ClassName, Title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                          40, 40, 260, 100, nullptr, nullptr, instance, nullptr);
    if (!window) {
        std::fprintf(stderr, "arswin-standin: cannot create the window (error %lu)\n", ::GetLastError());
        return 1;
    }
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);

    MSG message;
    BOOL got;
    while ((got = ::GetMessageA(&message, nullptr, 0, 0)) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    if (LogFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(LogFile);
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}
