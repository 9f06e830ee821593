// The receiving end of the azimuth feed: the main window, in AUTO with GS-232 on COM1, a pseudo-terminal
// this process reads, with the time each hop ends at: the Changed signal reaching the process, the
// value delivered from the Request, the command's carriage return on the line.
#pragma once

#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <memory>
#include <string>

#include "BenchTools.h"
#include "PtyLine.h"

class TForm1;
class TChangedWatch;

class TFeedRig {
public:
    // COM1 in a folder of its own; the Changed signal on the private bus at `busAddress` is watched
    // only while WatchChanged is on, since the watch's own delivery loads the path it times.
    explicit TFeedRig(const std::string& busAddress);
    ~TFeedRig();
    TFeedRig(const TFeedRig&) = delete;
    TFeedRig& operator=(const TFeedRig&) = delete;

    // Opens the window once a publisher owns dde.Teskarn; the feed must link.
    void OpenWindow();
    // Before the publisher and the bus go.
    void CloseWindow();
    void WatchChanged(bool on);
    TPtyLine& Line() { return Com1; }
    // Safe to read from any thread.
    BenchTools::TClock::time_point ChangedAt() const;
    BenchTools::TClock::time_point DeliveredAt() const;

private:
    std::string BusAddress;
    QTemporaryDir Folder;
    TPtyLine Com1;
    QThread WatchThread;
    std::unique_ptr<TChangedWatch> Watch;
    std::unique_ptr<TForm1> Form;
    std::atomic<BenchTools::TClock::rep> Delivered{0};
};
