// Fuzz target: what FormatGeneral writes, TryStrToFloat reads back to the same 7 significant digits.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/NumberFormat.h"

namespace {

void CheckRoundTrip(long double value)
{
    const std::string text = FormatGeneral(value, 7);
    long double back = 0;
    if (!TryStrToFloat(text, back)) {
        std::fprintf(stderr, "'%s' (separator '%c') does not read back\n", text.c_str(), DecimalSeparator);
        std::abort();
    }
    const std::string again = FormatGeneral(back, 7);
    if (again != text) {
        std::fprintf(stderr, "'%s' read back as '%s' (separator '%c')\n", text.c_str(), again.c_str(),
                     DecimalSeparator);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const char separator : {'.', ','}) {
        DecimalSeparator = separator;
        // Any text the program accepts as a number...
        long double parsed = 0;
        if (TryStrToFloat(text, parsed))
            CheckRoundTrip(parsed);
        // ...and any finite long double, from its bytes. Arithmetic turns the x87 encodings that
        // are no number into NaN, which no reader ever produces.
        if (size >= 10) {
            long double raw = 0;
            std::memcpy(&raw, data, 10);
            raw = raw + 0.0L;
            if (std::isnormal(raw) || raw == 0.0L)
                CheckRoundTrip(raw);
        }
    }
    return 0;
}
