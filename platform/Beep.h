// The platform's message sounds; every beep of the program goes through MessageBeep.
#pragma once

#include <functional>

enum class TBeepKind { Default, Exclamation };

void MessageBeep(TBeepKind kind = TBeepKind::Default);

// Tests watch the beeps through this hook; an empty hook restores the plain behaviour.
using TBeepObserver = std::function<void(TBeepKind)>;
void SetBeepObserver(TBeepObserver observer);
