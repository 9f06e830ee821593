// THeadingPoll: asks the chosen serial controller where the antenna points, on the GUI thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "drivers/ReplyLines.h"

class TCommPortDriver;
struct TInterfaceRow;

// Queries go through the port component the driver writes through, one at a time, fast while the
// antenna turns or a command is recent and slowly at rest. A poll is not a command: it never beeps.
class THeadingPoll : public QObject {
    Q_OBJECT
public:
    static constexpr int BusyPeriodMs = 250;
    static constexpr int RestPeriodMs = 1000;
    static constexpr std::uint64_t ReplyTimeoutMs = 1000;
    static constexpr std::uint64_t BusyAfterCommandMs = 10000;
    // At rest the port is read this often instead of every 50 ms: a reply still comes in well within
    // its second, and the idle program wakes a fifth as often.
    static constexpr std::uint16_t RestReadDelayMs = 250;
    // Position replies are a dozen bytes; a longer line is noise, dropped without being kept.
    static constexpr std::size_t LongestReplyLine = 64;
    // Readings go out at most this often, the latest always last: a flooding controller stays on its line.
    static constexpr int ShortestReadingIntervalMs = 100;
    // A held-back target goes again at most this often.
    static constexpr std::uint64_t RepeatIntervalMs = 1000;

    explicit THeadingPoll(QObject* parent = nullptr);
    ~THeadingPoll() override;

    // Polls the controller of the interface chosen (ANT) while running. Stopping forgets the
    // heading, leaves the port's received bytes to be dropped again and closes a port that only
    // the poll had opened.
    void SetRunning(bool running);
    bool Running() const { return IsRunning; }
    // A command went out: poll fast for a while; the port is the command's from now on.
    void NoteCommandSent();

    std::optional<double> Heading() const { return CurrentHeading; }
    // Lines that were neither a position nor empty, since the start.
    int IgnoredLines() const { return Ignored + Lines.DroppedLines(); }

    // Whether `azimuth`, which the step rule holds back as already sent, should go again: the poll
    // runs, the heading is known, at least `step` (and one degree) away from it and not seen turning
    // towards it, and no command went out in the last RepeatIntervalMs.
    bool CallsForRepeat(long double azimuth, int step) const;

    // The true azimuth of one reply line of `row`'s controller (blanks around it allowed), with a south
    // end stop undone; nothing when the line is no position.
    static std::optional<double> AzimuthOfReply(const TInterfaceRow& row, int endStop, std::string_view line);

signals:
    // The controller's readings, also one that repeats the last, at most one per
    // ShortestReadingIntervalMs and the latest always last; `tick` is GetTickCount's when it arrived.
    void HeadingRead(double azimuth, std::uint64_t tick);
    // The heading is no longer known: no reply, a port that does not open, the poll stopped.
    void HeadingLost();

private:
    void Tick();
    void Schedule();
    void ApplyReadDelay(bool busy);
    const TInterfaceRow* PolledRow() const;
    void Attach(TCommPortDriver* port, const TInterfaceRow* row);
    void Detach();
    void Receive(const char* data, std::size_t size);
    void TakeLine(std::string_view line);
    void EmitReading();
    // A port on a device its link no longer names is given back, whoever opened it.
    void GiveBackStalePort(TCommPortDriver* port);
    void Lose();

    QTimer PollTimer;
    QTimer ReadingTimer;  // runs while a reading waits for its turn to go out
    bool IsRunning = false;
    // The port whose received bytes come here, and the interface whose replies they are.
    QPointer<TCommPortDriver> Attached;
    const TInterfaceRow* AttachedRow = nullptr;
    std::uint16_t AttachedReadDelay = 0;  // the port's own, given back on detaching
    // Set when the poll opened the port; a command makes it the command's.
    QPointer<TCommPortDriver> OpenedByPoll;
    bool QueryOutstanding = false;
    std::uint64_t QuerySentAt = 0;
    bool EverCommanded = false;
    std::uint64_t LastCommandAt = 0;
    std::optional<double> CurrentHeading;
    std::optional<double> PreviousHeading;  // the reading before, for the way the antenna turns
    std::uint64_t CurrentHeadingAt = 0;
    bool HeadingMoving = false;
    std::optional<std::uint64_t> LastReadingOutAt;
    TReplyLines Lines{LongestReplyLine};
    int Ignored = 0;
};
