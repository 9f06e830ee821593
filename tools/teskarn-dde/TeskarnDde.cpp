// teskarn-dde: stands in for Teskarn on Windows, publishing azimuths as a DDE server.
//
// Service and topic "Teskarn", item "azimuth", CF_TEXT, advise loops supported. Each line of standard
// input is an azimuth, published as its digits followed by CR LF as Teskarn does, or "--raw TEXT",
// published exactly with \r \n \t \\ and \xHH decoded; "quit" or the end of input ends the program,
// and so does a DDE execute of "quit" (a copy started by a client with no input of its own).
// It prints "ready" once the service is registered, and a line for each event a test may wait for.
#include <windows.h>

#include <ddeml.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

namespace {

const char* const ServiceName = "Teskarn";
const char* const ItemName = "azimuth";
// Posted to the main thread when the reader has queued lines or reached the end of input.
constexpr UINT LinesQueued = WM_APP + 1;
// A line longer than this is not an azimuth; it is cut there.
constexpr std::size_t LongestLine = 4096;

DWORD Instance = 0;
HSZ ServiceHandle = nullptr;
HSZ ItemHandle = nullptr;
std::string Value;  // what a request is answered with; empty until something is published

// The reader thread's lines, handed to the main thread.
CRITICAL_SECTION QueueLock;
std::deque<std::string> Queue;
bool InputEnded = false;
DWORD MainThread = 0;

void Say(const char* format, const char* text = "")
{
    std::printf(format, text);
    std::printf("\n");
    std::fflush(stdout);
}

bool IsAzimuthText(const std::string& text)
{
    std::size_t digits = 0;
    std::size_t point = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            ++digits;
        else if (text[i] == '.' && point == std::string::npos && i > 0)
            point = i;
        else
            return false;
    }
    return digits > 0 && (point == std::string::npos || point + 1 < text.size());
}

int HexDigit(char character)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    return -1;
}

// "\r", "\n", "\t", "\\" and "\xHH" become the bytes they name; false on a bad escape.
bool DecodeEscapes(const std::string& text, std::string& decoded)
{
    decoded.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            decoded += text[i];
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case 'r': decoded += '\r'; break;
        case 'n': decoded += '\n'; break;
        case 't': decoded += '\t'; break;
        case '\\': decoded += '\\'; break;
        case 'x': {
            const int high = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

std::string Shown(const std::string& text)
{
    std::string shown;
    for (const char character : text) {
        if (character == '\r')
            shown += "\\r";
        else if (character == '\n')
            shown += "\\n";
        else
            shown += character;
    }
    return shown;
}

void Publish(const std::string& text)
{
    Value = text;
    Say("published \"%s\"", Shown(text).c_str());
    // Each client with an advise loop on the item gets a notice, and asks for the value.
    DdePostAdvise(Instance, ServiceHandle, ItemHandle);
}

void PublishLine(std::string line)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.rfind("--raw ", 0) == 0) {
        std::string raw;
        if (DecodeEscapes(line.substr(6), raw))
            Publish(raw);
        else
            std::fprintf(stderr, "teskarn-dde: bad escape in %s\n", line.c_str());
        return;
    }
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos)
        return;
    line = line.substr(first, line.find_last_not_of(" \t") - first + 1);
    if (IsAzimuthText(line))
        Publish(line + "\r\n");
    else
        std::fprintf(stderr, "teskarn-dde: not an azimuth: %s\n", line.c_str());
}

bool IsOurs(HSZ handle, HSZ ours)
{
    return DdeCmpStringHandles(handle, ours) == 0;
}

// The topic has the service's name, so the service's handle serves for both.
HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV, HSZ topic, HSZ second, HDDEDATA data, ULONG_PTR, ULONG_PTR)
{
    const auto answer = [](bool yes) { return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(yes ? TRUE : FALSE)); };
    switch (type) {
    case XTYP_CONNECT:
        return answer(IsOurs(topic, ServiceHandle) && IsOurs(second, ServiceHandle));
    case XTYP_CONNECT_CONFIRM:
        Say("connected");
        return nullptr;
    case XTYP_DISCONNECT:
        Say("disconnected");
        return nullptr;
    case XTYP_ADVSTART: {
        const bool accepted = IsOurs(topic, ServiceHandle) && IsOurs(second, ItemHandle) && format == CF_TEXT;
        Say(accepted ? "advise start" : "advise refused");
        return answer(accepted);
    }
    case XTYP_EXECUTE: {
        char command[8] = {};
        DdeGetData(data, reinterpret_cast<LPBYTE>(command), sizeof command - 1, 0);
        if (std::strcmp(command, "quit") != 0)
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FNOTPROCESSED));
        Say("quit");
        PostQuitMessage(0);
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(DDE_FACK));
    }
    case XTYP_ADVSTOP:
        Say("advise stop");
        return nullptr;
    case XTYP_REQUEST:
    case XTYP_ADVREQ:
        if (!IsOurs(topic, ServiceHandle) || !IsOurs(second, ItemHandle) || format != CF_TEXT)
            return nullptr;
        if (type == XTYP_REQUEST)
            Say("request");
        // CF_TEXT carries its terminating NUL.
        return DdeCreateDataHandle(Instance, reinterpret_cast<LPBYTE>(const_cast<char*>(Value.c_str())),
                                   static_cast<DWORD>(Value.size() + 1), 0, ItemHandle, CF_TEXT, 0);
    default:
        return nullptr;
    }
}

// Reading blocks, so it has a thread of its own; the main thread's message loop drives DDEML.
DWORD WINAPI ReadInput(void*)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string pending;
    bool ended = false;
    while (!ended) {
        char buffer[512];
        DWORD count = 0;
        if (!ReadFile(input, buffer, sizeof buffer, &count, nullptr) || count == 0)
            break;
        std::deque<std::string> lines;
        for (DWORD i = 0; i < count; ++i) {
            if (buffer[i] != '\n') {
                if (pending.size() < LongestLine)
                    pending += buffer[i];
                continue;
            }
            if (pending == "quit" || pending == "quit\r") {
                ended = true;
                break;
            }
            lines.push_back(pending);
            pending.clear();
        }
        EnterCriticalSection(&QueueLock);
        Queue.insert(Queue.end(), lines.begin(), lines.end());
        LeaveCriticalSection(&QueueLock);
        PostThreadMessageA(MainThread, LinesQueued, 0, 0);
    }
    EnterCriticalSection(&QueueLock);
    InputEnded = true;
    LeaveCriticalSection(&QueueLock);
    PostThreadMessageA(MainThread, LinesQueued, 0, 0);
    return 0;
}

// Closing the console ends the program as "quit" does, the service unregistered.
BOOL WINAPI ConsoleControl(DWORD)
{
    PostThreadMessageA(MainThread, WM_QUIT, 0, 0);
    // The system ends the process when this returns; give the main thread a moment to unregister.
    Sleep(500);
    return TRUE;
}

bool ReadQueuedLines()
{
    EnterCriticalSection(&QueueLock);
    std::deque<std::string> lines;
    lines.swap(Queue);
    const bool ended = InputEnded;
    LeaveCriticalSection(&QueueLock);
    for (const std::string& line : lines)
        PublishLine(line);
    return !ended;
}

void PrintUsage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [AZIMUTH | --raw TEXT]\n"
                 "Serves the DDE service and topic Teskarn, item azimuth (CF_TEXT), and publishes the\n"
                 "azimuths read from standard input, one per line, each as its digits followed by CR LF;\n"
                 "a line \"--raw TEXT\" publishes TEXT exactly (\\r \\n \\t \\\\ \\xHH decoded); \"quit\" or\n"
                 "the end of input ends it, as does a DDE execute of \"quit\". The argument, if any,\n"
                 "is the first value.\n",
                 program);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string first;
    if (argc == 2 && IsAzimuthText(argv[1])) {
        first = std::string(argv[1]) + "\r\n";
    } else if (argc == 3 && std::strcmp(argv[1], "--raw") == 0) {
        if (!DecodeEscapes(argv[2], first)) {
            PrintUsage(argv[0]);
            return 2;
        }
    } else if (argc != 1) {
        PrintUsage(argv[0]);
        return 2;
    }

    MainThread = GetCurrentThreadId();
    MSG message;
    // The thread's queue must exist before the reader posts to it.
    PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    InitializeCriticalSection(&QueueLock);

    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_SELFCONNECTIONS | CBF_FAIL_POKES |
                        CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeA(&Instance, Callback, flags, 0) != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "teskarn-dde: DDEML did not start\n");
        return 1;
    }
    ServiceHandle = DdeCreateStringHandleA(Instance, ServiceName, CP_WINANSI);
    ItemHandle = DdeCreateStringHandleA(Instance, ItemName, CP_WINANSI);
    Value = first;
    // No DdeConnect of its own before this: its broadcast would wait on a client that started this
    // program and waits in WinExec for it to become idle.
    if (!DdeNameService(Instance, ServiceHandle, nullptr, DNS_REGISTER)) {
        std::fprintf(stderr, "teskarn-dde: could not register the service\n");
        DdeUninitialize(Instance);
        return 1;
    }
    Say("ready");

    // Without a standard input, or with the NUL device as one, it serves until told to quit: a copy
    // that a client started has nothing to read.
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD consoleMode = 0;
    const bool noInput = !input || input == INVALID_HANDLE_VALUE ||
                         (GetFileType(input) == FILE_TYPE_CHAR && !GetConsoleMode(input, &consoleMode));
    if (!noInput) {
        if (const HANDLE reader = CreateThread(nullptr, 0, ReadInput, nullptr, 0, nullptr))
            CloseHandle(reader);
    }
    SetConsoleCtrlHandler(ConsoleControl, TRUE);

    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == LinesQueued) {
            if (!ReadQueuedLines())
                break;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    DdeNameService(Instance, ServiceHandle, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(Instance, ItemHandle);
    DdeFreeStringHandle(Instance, ServiceHandle);
    DdeUninitialize(Instance);
    Say("ended");
    return 0;
}
