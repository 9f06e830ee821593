// The PourSat and FODTrack go operations: a position word clocked out on a printer port.
#include "drivers/ParallelDrivers.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>

#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "platform/Beep.h"
#include "platform/PortIO.h"

namespace {

// One interface's own settings, read at each go.
struct TParallelSettings {
    int Port;  // index into LptBaseAddress, -1 = none chosen
    int Step;
    int Stop;
    long double Cal;
    long double Zero;
};

enum class TRegister { Data, Control };

// Stands in a sequence table for the position word of the command.
constexpr int PositionWord = -1;

struct TPortStep {
    TRegister Register;
    int Value;
    unsigned PauseAfterMs;
};

void WriteStep(IPortIO& port, std::uint16_t base, const TPortStep& step, std::int16_t position)
{
    const int value = step.Value == PositionWord ? position : step.Value;
    // The data register is the base; the control register sits two above it.
    const auto address = static_cast<std::uint16_t>(step.Register == TRegister::Data ? base : base + 2);
    port.Outport(address, value);
}

// Control bits: 0 Strobe, 1 Auto Feed, 3 Select In. Select In frames the position word on
// the data lines and Auto Feed clocks it in; Strobe then frames the data value 1, clocked
// by Auto Feed again, which starts the move. All lines are released at the end.
void WritePourSatSequence(IPortIO& port, std::uint16_t base, std::int16_t position)
{
    static const TPortStep Sequence[] = {
        {TRegister::Control, 0, 0},
        {TRegister::Control, 8, 0},
        {TRegister::Data, PositionWord, 0},
        {TRegister::Control, 10, 0},
        {TRegister::Control, 1, 0},
        {TRegister::Data, 1, 0},
        {TRegister::Control, 3, 0},
        {TRegister::Control, 0, 0},
    };
    for (const TPortStep& step : Sequence)
        WriteStep(port, base, step, position);
}

// Auto Feed held with the position word on the data lines, a Strobe pulse latches it;
// then the data value 1 with a bare Strobe pulse starts the move. The interface samples
// the lines slowly, so each level is held for the pause on its row.
void WriteFodTrackSequence(IPortIO& port, std::uint16_t base, std::int16_t position)
{
    static const TPortStep Sequence[] = {
        {TRegister::Control, 2, 10},
        {TRegister::Data, PositionWord, 10},
        {TRegister::Control, 2, 5},
        {TRegister::Control, 3, 10},
        {TRegister::Control, 2, 10},
        {TRegister::Control, 0, 10},
        {TRegister::Data, 1, 10},
        {TRegister::Control, 0, 5},
        {TRegister::Control, 1, 10},
        {TRegister::Control, 0, 0},
    };
    for (const TPortStep& step : Sequence) {
        WriteStep(port, base, step, position);
        if (step.PauseAfterMs != 0)
            WaitMs(step.PauseAfterMs);
    }
}

// The port's base address, or 0 when the chosen index names no existing port.
std::uint16_t ChosenPortBase(int port)
{
    if (port < 0 || port >= static_cast<int>(LptBaseAddress.size()))
        return 0;
    return LptBaseAddress[static_cast<std::size_t>(port)];
}

// The rounded position taken as a signed 16-bit word, as the interface's word type holds it.
// fmod is exact, so the low 16 bits come out right for any finite product.
bool RoundedPosition(long double azimuth, const TParallelSettings& settings, std::int16_t& position)
{
    const long double rounded = RoundHalfEven((azimuth - settings.Zero) * settings.Cal);
    if (!std::isfinite(rounded))
        return false;
    long double low = std::fmod(rounded, 65536.0L);
    if (low < 0)
        low += 65536.0L;
    position = static_cast<std::int16_t>(static_cast<std::uint16_t>(low));
    return true;
}

// The word for the rotator's azimuth: one turn wraps in when the zero lies past the azimuth,
// out when a negative zero pushes the word past the top; otherwise the word is clamped.
bool ComputePositionValue(long double rotatorAzimuth, const TParallelSettings& settings,
                          std::int16_t& position)
{
    if (!RoundedPosition(rotatorAzimuth, settings, position))
        return false;
    if (position < 0) {
        if (settings.Zero > 0) {
            if (!RoundedPosition(rotatorAzimuth + 360.0L, settings, position))
                return false;
        } else {
            position = 0;
        }
    }
    if (position > 255) {
        if (settings.Zero >= 0) {
            position = 255;
        } else if (!RoundedPosition(rotatorAzimuth - 360.0L, settings, position)) {
            return false;
        }
    }
    return true;
}

void RefuseCommand()
{
    CommandNotSent = true;
    MessageBeep();
}

void GoParallel(const TParallelSettings& settings,
                void (*writeSequence)(IPortIO&, std::uint16_t, std::int16_t))
{
    // A chosen port that does not exist (base 0) is no port either: writing to I/O address 0
    // would reach no printer port.
    const std::uint16_t base = ChosenPortBase(settings.Port);
    IPortIO* port = DriverContext.PortIO;
    if (base == 0 || port == nullptr) {
        RefuseCommand();
        return;
    }
    if (StepRuleHoldsBack(settings.Step)) {
        CommandNotSent = true;
        return;
    }
    LastSentAzimuth = TargetAzimuth;

    std::int16_t position = 0;
    // Only an infinite or undefined calibration leaves no word to send.
    if (!ComputePositionValue(ApplyEndStop(TargetAzimuth, settings.Stop), settings, position)) {
        RefuseCommand();
        return;
    }
    if (DriverContext.SetLabelEtatInterface)
        DriverContext.SetLabelEtatInterface(std::to_string(position));

    writeSequence(*port, base, position);
    if (port->GetLastState().find("succes") != std::string::npos)
        CommandNotSent = false;
    else
        RefuseCommand();
}

}  // namespace

void GoPourSat()
{
    const TStationSettings& s = StationSettings;
    GoParallel({s.LPT_POURSAT, s.STEP_POURSAT, s.STOP_POURSAT, s.CALAZ_POURSAT, s.ZERO_POURSAT},
               &WritePourSatSequence);
}

void GoFodTrack()
{
    const TStationSettings& s = StationSettings;
    GoParallel({s.LPT_FODTRACK, s.STEP_FODTRACK, s.STOP_FODTRACK, s.CALAZ_FODTRACK, s.ZERO_FODTRACK},
               &WriteFodTrackSequence);
}

void WaitMs(unsigned milliseconds)
{
    // Sleeping in short steps keeps the core free; the steady clock keeps the wait whole
    // across changes of the time of day. No window messages are handled meanwhile: a handler
    // run from here could start a second write sequence in the middle of this one.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now())
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(1)));
}
