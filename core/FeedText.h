// The trimming of each published feed value before it reaches the readout and the azimuth box.
#pragma once

#include <string>

// Teskarn ends each value with CR LF, which arrive as two spaces: the first space goes, then the
// last character, whatever it is. "" means the value changes nothing.
std::string TrimFeedText(const std::string& itemText);
