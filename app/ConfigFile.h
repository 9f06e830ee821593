// The configuration file Tolvane.ini: its reader, its writer and the decimal-separator repair.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/StationSettings.h"

// What the reader reaches outside StationSettings; empty functions are skipped.
struct TConfigReaderHooks {
    std::function<void()> MenuEnglishClick, MenuFrancaisClick;
    std::function<void(int port)> SetGsComPort, SetEasyComPort;              // serial drivers' ComPort
    std::function<void(int speed)> SetGsComPortSpeed, SetEasyComPortSpeed;  // baud table index
    std::function<void(int)> SetWindowTop, SetWindowLeft, SetWindowWidth, SetWindowHeight;
    // Told of every value that does not convert; the reading goes on with the next line.
    std::function<void(const std::string& message)> ConversionError;
};

constexpr const char* ConfigFileName = "Tolvane.ini";
constexpr const char* ConfigTemporaryFileName = "Tolvane.~in";

// Interprets the lines into StationSettings (and the hooks); returns "" or the conversion-error
// message of the first value that did not convert. A value that does not convert leaves its key as
// it was and the lines after it are still read, so one bad line never costs the others at exit.
std::string InterpretConfiguration(const std::vector<std::string>& lines, const TConfigReaderHooks& hooks);

// Loads the lines of a file, accepting CR LF, CR or LF; false with a file-open error message.
bool LoadConfigurationLines(const std::string& fileName, std::vector<std::string>& lines,
                            std::string& errorMessage);

// The number text with its first separator of either kind replaced by the locale's.
std::string NormalizeDecimalSeparator(const std::string& text);

struct TWindowBounds {
    int Left, Top, Width, Height;
};

// The lines of the file layout, in order, from StationSettings, the language and the window bounds.
std::vector<std::string> BuildConfigurationLines(bool french, const TWindowBounds& bounds);

// Writes the lines to "Tolvane.~in" (CR LF after every line), flushed to disk, and puts it in place
// as a read-only "Tolvane.ini" in one atomic rename, relative to the current directory; an existing
// "Tolvane.ini" is replaced whether or not it existed at start. Returns false when the temporary file
// could not be removed, created or completely written ("Tolvane.ini" is then untouched and no partial
// temporary is left), or when it could not take the name "Tolvane.ini" (the new settings then stay in
// "Tolvane.~in"); the caller then shows MsgIniCreateFailed.
bool WriteConfigurationFile(const std::vector<std::string>& lines);

// Writes only "Tolvane.~in", flushed to disk, leaving "Tolvane.ini" alone: for a Tolvane.ini that
// was found at start but could not be read, which the settings of this run must not replace.
bool WriteConfigurationTemporaryFile(const std::vector<std::string>& lines);
