// The desktop sound theme's bell, played through libcanberra.
#pragma once

#include "platform/Beep.h"

// Plays the theme's sound for the kind: "dialog-warning" for an exclamation, else "bell". False when
// no sound could be played (no sound server or card, no such sound, the silent "null" driver asked
// for), so that the caller rings the X bell instead.
bool PlayThemeBell(TBeepKind kind);
