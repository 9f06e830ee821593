// The save's lock on a folder: copies of the program saving into one folder take turns, so the one
// that saves last leaves its settings, whole.
#pragma once

#include <cstdint>
#include <string>

class TSaveLock {
public:
    static constexpr int DefaultWaitMilliseconds = 10000;  // many saves' worth

    // Waits for the folder's lock. Where the folder takes no lock, or another copy holds it beyond
    // the wait (a stopped one), the lock is not held and the save goes ahead as a single copy's would.
    explicit TSaveLock(const std::string& folder, int waitMilliseconds = DefaultWaitMilliseconds);
    ~TSaveLock();
    TSaveLock(const TSaveLock&) = delete;
    TSaveLock& operator=(const TSaveLock&) = delete;

    bool Held() const { return Handle != NotHeld; }

private:
    static constexpr std::intptr_t NotHeld = -1;
    std::intptr_t Handle = NotHeld;  // the system's handle of what holds the lock
};
