// The save's lock as an unshared file in the folder, deleted when its handle closes.
#include "platform/SaveLock.h"

#include <windows.h>

#include <string>

#include "platform/Win32Text.h"

// Windows locks no folder, so a file stands for it: opened with no sharing, it refuses every other
// opener, and it goes with the handle, so a crashed copy never holds it.
TSaveLock::TSaveLock(const std::string& folder, int waitMilliseconds)
{
    std::string name = folder;
    if (!name.empty() && name.back() != '\\' && name.back() != '/')
        name += '\\';
    const std::wstring lockName = Wide(name + "Tolvane.~lk");
    constexpr int WaitStepMs = 5;
    const int waitSteps = waitMilliseconds / WaitStepMs;
    for (int step = 0; step < waitSteps; ++step) {
        const HANDLE file = CreateFileW(lockName.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            Handle = reinterpret_cast<std::intptr_t>(file);
            return;
        }
        const DWORD error = GetLastError();
        // Another copy holds it, or has just let go and the file is on its way out; anything else
        // (a missing or read-only folder) is a folder that takes no lock.
        const bool held = error == ERROR_SHARING_VIOLATION ||
                          (error == ERROR_ACCESS_DENIED && GetFileAttributesW(lockName.c_str()) != INVALID_FILE_ATTRIBUTES);
        if (!held)
            return;
        Sleep(WaitStepMs);
    }
}

TSaveLock::~TSaveLock()
{
    if (Held())
        CloseHandle(reinterpret_cast<HANDLE>(Handle));
}
