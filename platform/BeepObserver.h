// The beep's observer, which both platforms' beeps tell first.
#pragma once

#include "platform/Beep.h"

void NotifyBeepObserver(TBeepKind kind);
