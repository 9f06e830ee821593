// The device end of a serial line: a pseudo-terminal whose master this process reads, noting when a
// command's last byte, its carriage return, arrives.
#pragma once

#include <QSocketNotifier>

#include <memory>
#include <string>

#include "BenchTools.h"

class TPtyLine {
public:
    TPtyLine();
    ~TPtyLine();
    TPtyLine(const TPtyLine&) = delete;
    TPtyLine& operator=(const TPtyLine&) = delete;

    const std::string& SlavePath() const { return Slave; }
    // Read by this thread's event loop; without it, whoever polls Descriptor() calls Read().
    void ReadOnEventLoop();
    int Descriptor() const { return Master; }
    // Takes what has arrived, without blocking; the time is noted here, as the bytes come in.
    void Read();
    void Clear();
    bool Complete() const { return Done; }
    // What arrived up to and with the carriage return.
    const std::string& Text() const { return Received; }
    BenchTools::TClock::time_point Arrived() const { return ArrivedAt; }

private:
    int Master = -1;
    int SlaveHolder = -1;
    std::string Slave;
    std::unique_ptr<QSocketNotifier> Notifier;
    std::string Received;
    bool Done = false;
    BenchTools::TClock::time_point ArrivedAt;
};
