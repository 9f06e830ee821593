// The heading poll: query timing, the lazy open of the port, and the reply lines read back.
#include "drivers/HeadingPoll.h"

#include <algorithm>
#include <cmath>

#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "drivers/SerialRotator.h"
#include "platform/Clock.h"
#include "serial/ComDrv32.h"

namespace {
// Readings closer than this are the same heading: a controller's last digit may flicker at rest.
constexpr double SameHeadingDegrees = 0.05;
}  // namespace

THeadingPoll::THeadingPoll(QObject* parent) : QObject(parent), PollTimer(this)
{
    PollTimer.setObjectName(QStringLiteral("HeadingPollTimer"));
    PollTimer.setSingleShot(true);
    connect(&PollTimer, &QTimer::timeout, this, &THeadingPoll::Tick);
}

THeadingPoll::~THeadingPoll()
{
    Detach();
}

void THeadingPoll::SetRunning(bool running)
{
    if (running == IsRunning)
        return;
    IsRunning = running;
    if (running) {
        Tick();
        return;
    }
    PollTimer.stop();
    Detach();
    // Off leaves the line as the commands left it: a port only the poll opened is closed again.
    if (OpenedByPoll)
        OpenedByPoll->ClosePort();
    OpenedByPoll = nullptr;
    Lose();
}

void THeadingPoll::NoteCommandSent()
{
    EverCommanded = true;
    LastCommandAt = GetTickCount();
    OpenedByPoll = nullptr;
    ApplyReadDelay(true);
    // A command is a reason to look sooner, unless a query is still waiting for its reply.
    if (IsRunning && !QueryOutstanding && PollTimer.remainingTime() > BusyPeriodMs)
        PollTimer.start(BusyPeriodMs);
}

const TInterfaceRow* THeadingPoll::PolledRow() const
{
    const TInterfaceRow* row = InterfaceRowOf(StationSettings.ANT);
    return row && row->PositionQuery && row->ReadPosition && row->SerialPort ? row : nullptr;
}

void THeadingPoll::Attach(TCommPortDriver* port, const TInterfaceRow* row)
{
    if (Attached == port && AttachedRow == row)
        return;
    Detach();
    Attached = port;
    AttachedRow = row;
    if (!port)
        return;
    AttachedReadDelay = port->ComPortPollingDelay();
    port->OnReceiveData = [this](QObject*, const void* data, std::uint32_t size) {
        Receive(static_cast<const char*>(data), size);
    };
}

void THeadingPoll::Detach()
{
    if (Attached) {
        Attached->OnReceiveData = nullptr;
        Attached->SetComPortPollingDelay(AttachedReadDelay);
    }
    Attached = nullptr;
    AttachedRow = nullptr;
    QueryOutstanding = false;
    PartialLine.clear();
    DiscardingLine = false;
}

void THeadingPoll::Tick()
{
    if (!IsRunning)
        return;
    const TInterfaceRow* row = PolledRow();
    TCommPortDriver* port = row ? DriverContext.*row->SerialPort : nullptr;
    Attach(port, row);
    if (!port) {
        Lose();
        Schedule();
        return;
    }
    const std::uint64_t now = GetTickCount();
    if (QueryOutstanding) {
        if (now - QuerySentAt < ReplyTimeoutMs) {
            Schedule();
            return;
        }
        QueryOutstanding = false;
        Lose();
    }
    // The go operation's lazy open, without its beep.
    const bool wasOpen = port->IsOpen();
    if (!OpenSerialRotatorPort(port, StationSettings.*row->Port)) {
        Lose();
        Schedule();
        return;
    }
    if (!wasOpen)
        OpenedByPoll = port;
    // Bytes still leaving are a command's: the query waits for the next tick rather than queue behind it.
    if (port->OutputRoom() < port->ComPortOutBufSize()) {
        Schedule();
        return;
    }
    const std::string query = row->PositionQuery();
    if (port->WriteBytes(query.data(), static_cast<int>(query.size())) != static_cast<int>(query.size())) {
        Lose();
        Schedule();
        return;
    }
    QueryOutstanding = true;
    QuerySentAt = now;
    Schedule();
}

void THeadingPoll::Schedule()
{
    const bool commandRecent = EverCommanded && GetTickCount() - LastCommandAt < BusyAfterCommandMs;
    const bool busy = commandRecent || HeadingMoving;
    ApplyReadDelay(busy);
    PollTimer.start(busy ? BusyPeriodMs : RestPeriodMs);
}

void THeadingPoll::ApplyReadDelay(bool busy)
{
    if (Attached)
        Attached->SetComPortPollingDelay(busy ? AttachedReadDelay : std::max(AttachedReadDelay, RestReadDelayMs));
}

void THeadingPoll::Receive(const char* data, std::size_t size)
{
    // A full buffer means more is waiting: read at the quick rate until the next query.
    if (Attached && size >= Attached->ComPortInBufSize())
        ApplyReadDelay(true);
    for (std::size_t i = 0; i < size; ++i) {
        const char byte = data[i];
        if (byte == '\r' || byte == '\n') {
            if (!DiscardingLine)
                TakeLine(PartialLine);
            PartialLine.clear();
            DiscardingLine = false;
        } else if (!DiscardingLine) {
            PartialLine += byte;
            if (PartialLine.size() > LongestReplyLine) {
                ++Ignored;
                PartialLine.clear();
                DiscardingLine = true;
            }
        }
    }
}

void THeadingPoll::TakeLine(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return;  // the LF of a CR LF, or blanks
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);
    const std::optional<double> reading = AttachedRow ? AttachedRow->ReadPosition(line) : std::nullopt;
    if (!reading) {
        ++Ignored;
        return;
    }
    // The controller counts from its own zero: a south stop turns it by 180 degrees.
    double azimuth = *reading;
    if (StationSettings.*AttachedRow->EndStop != 0)
        azimuth = std::fmod(azimuth + 180.0, 360.0);
    QueryOutstanding = false;
    HeadingMoving = CurrentHeading && std::fabs(*CurrentHeading - azimuth) >= SameHeadingDegrees;
    CurrentHeading = azimuth;
    emit HeadingRead(azimuth, GetTickCount());
}

void THeadingPoll::Lose()
{
    HeadingMoving = false;
    if (!CurrentHeading)
        return;
    CurrentHeading.reset();
    emit HeadingLost();
}
