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

// Degrees between two azimuths the short way round: 359.9 and 0.1 are 0.2 apart.
double AzimuthDistance(double a, double b)
{
    const double difference = std::fmod(std::fabs(a - b), 360.0);
    return std::min(difference, 360.0 - difference);
}

}  // namespace

THeadingPoll::THeadingPoll(QObject* parent) : QObject(parent), PollTimer(this), ReadingTimer(this)
{
    PollTimer.setObjectName(QStringLiteral("HeadingPollTimer"));
    PollTimer.setSingleShot(true);
    connect(&PollTimer, &QTimer::timeout, this, &THeadingPoll::Tick);
    ReadingTimer.setSingleShot(true);
    connect(&ReadingTimer, &QTimer::timeout, this, &THeadingPoll::EmitReading);
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
    Lines.Clear();
}

bool THeadingPoll::CallsForRepeat(long double azimuth, int step) const
{
    if (!IsRunning || !CurrentHeading)
        return false;
    if (EverCommanded && GetTickCount() - LastCommandAt < RepeatIntervalMs)
        return false;
    const double target = static_cast<double>(azimuth);
    const double away = AzimuthDistance(*CurrentHeading, target);
    // Seen turning towards it, the antenna is on its way: a repeat would only restart the controller.
    if (HeadingMoving && PreviousHeading && away < AzimuthDistance(*PreviousHeading, target))
        return false;
    // Commands are whole degrees: a step of 0 must not make a tenth's difference a reason.
    return away >= std::max(step, 1);
}

void THeadingPoll::GiveBackStalePort(TCommPortDriver* port)
{
    if (!port->IsOpen() || port->OpenDeviceStillNamed())
        return;
    port->ClosePort();
    OpenedByPoll = nullptr;
    QueryOutstanding = false;
    Lines.Clear();
    Lose();
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
    GiveBackStalePort(port);
    const std::uint64_t now = GetTickCount();
    if (QueryOutstanding) {
        if (now - QuerySentAt < ReplyTimeoutMs) {
            Schedule();
            return;
        }
        QueryOutstanding = false;
        Lose();
    }
    // The go operation's lazy open, without its beep, and only on a device the folder names: a query
    // must never go to the built-in port that a vanished link falls back to.
    const bool wasOpen = port->IsOpen();
    const int comPort = StationSettings.*row->Port;
    if ((!wasOpen && !TCommPortDriver::FolderNamesDevice(comPort)) || !OpenSerialRotatorPort(port, comPort)) {
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
    Lines.Feed(data, size, [this](std::string_view line) { TakeLine(line); });
}

std::optional<double> THeadingPoll::AzimuthOfReply(const TInterfaceRow& row, int endStop, std::string_view line)
{
    const std::size_t first = line.find_first_not_of(' ');
    if (first == std::string_view::npos || !row.ReadPosition)
        return std::nullopt;
    line = line.substr(first, line.find_last_not_of(' ') - first + 1);
    const std::optional<double> reading = row.ReadPosition(line);
    if (!reading)
        return std::nullopt;
    // The controller counts from its own zero: a south stop turns it by 180 degrees.
    return endStop != 0 ? std::fmod(*reading + 180.0, 360.0) : *reading;
}

void THeadingPoll::TakeLine(std::string_view line)
{
    if (line.find_first_not_of(' ') == std::string_view::npos || !AttachedRow)
        return;  // the LF of a CR LF, or blanks
    const std::optional<double> azimuth = AzimuthOfReply(*AttachedRow, StationSettings.*AttachedRow->EndStop, line);
    if (!azimuth) {
        ++Ignored;
        return;
    }
    QueryOutstanding = false;
    // One least digit either way is a reading flickering at rest.
    HeadingMoving = CurrentHeading && AzimuthDistance(*CurrentHeading, *azimuth) > AttachedRow->PositionResolution * 1.5;
    PreviousHeading = CurrentHeading;
    CurrentHeading = *azimuth;
    CurrentHeadingAt = GetTickCount();
    // Turning is a reason to look again soon, not only from the next tick on.
    if (HeadingMoving && PollTimer.remainingTime() > BusyPeriodMs) {
        ApplyReadDelay(true);
        PollTimer.start(BusyPeriodMs);
    }
    if (!ReadingTimer.isActive())
        EmitReading();
}

void THeadingPoll::EmitReading()
{
    if (!CurrentHeading)
        return;
    const std::uint64_t now = GetTickCount();
    if (LastReadingOutAt && now - *LastReadingOutAt < static_cast<std::uint64_t>(ShortestReadingIntervalMs)) {
        ReadingTimer.start(ShortestReadingIntervalMs - static_cast<int>(now - *LastReadingOutAt));
        return;
    }
    LastReadingOutAt = now;
    emit HeadingRead(*CurrentHeading, CurrentHeadingAt);
}

void THeadingPoll::Lose()
{
    HeadingMoving = false;
    ReadingTimer.stop();
    if (!CurrentHeading)
        return;
    CurrentHeading.reset();
    PreviousHeading.reset();
    emit HeadingLost();
}
