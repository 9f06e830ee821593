// Fuzz target: the GS-232 and EasyComm turn commands for any azimuth a go operation can hold.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/NumberFormat.h"
#include "drivers/DriverContract.h"
#include "drivers/EasyCommDriver.h"
#include "drivers/Gs232Driver.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& command, long double azimuth)
{
    std::fprintf(stderr, "%s: '%s' for %.21Lg\n", what, command.c_str(), azimuth);
    std::abort();
}

bool Digits(const std::string& text, std::size_t from, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

void Check(long double azimuth, int stopSetting)
{
    const long double rotator = ApplyEndStop(azimuth, stopSetting);
    const int expected = static_cast<int>(RoundToInteger(rotator));
    if (expected < 0 || expected > 360)
        Fail("end stop left the range", "", azimuth);

    int sent = 0;
    const std::string gs = Gs232TurnCommand(expected);
    if (gs.size() != 5 || gs[0] != 'W' || gs[4] != '\r' || !Digits(gs, 1, 3, sent) || sent != expected)
        Fail("GS-232 command", gs, azimuth);
    const std::string easy = EasyCommAzimuthCommand(expected);
    if (easy.size() != 8 || easy.compare(0, 2, "AZ") != 0 || easy.compare(5, 3, ".0\r") != 0 ||
        !Digits(easy, 2, 3, sent) || sent != expected)
        Fail("EasyComm command", easy, azimuth);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 9)
        return 0;
    // Eight bytes spread over [0, 360): every value MAN lets through, down to the last bits.
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, 8);
    const long double azimuth = static_cast<long double>(bits) / 18446744073709551616.0L * 360.0L;
    const int stopSetting = data[8] & 1;
    if (azimuth < 0 || azimuth >= 360)
        return 0;
    Check(azimuth, stopSetting);
    // Halves and their neighbours, where rounding decides the digits.
    const long double half = static_cast<long double>(bits % 720) / 2.0L;
    Check(half, stopSetting);
    Check(std::nextafter(half, 0.0L), stopSetting);
    if (std::nextafter(half, 360.0L) < 360.0L)
        Check(std::nextafter(half, 360.0L), stopSetting);
    return 0;
}
