// The serial line over POSIX termios, for Linux tty devices.
#pragma once

#include <memory>

#include "platform/SerialLine.h"

std::unique_ptr<ISerialLine> CreatePosixSerialLine();
