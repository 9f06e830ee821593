// Beep and message-box recorders for tests.
#include "support/Recorders.h"

#include <algorithm>

TBeepRecorder::TBeepRecorder()
{
    SetBeepObserver([this](TBeepKind kind) { Kinds.push_back(kind); });
}

TBeepRecorder::~TBeepRecorder()
{
    SetBeepObserver({});
}

int TBeepRecorder::CountOf(TBeepKind kind) const
{
    return static_cast<int>(std::count(Kinds.begin(), Kinds.end(), kind));
}

TMessageBoxRecorder::TMessageBoxRecorder()
{
    SetMessageBoxObserver([this](TMessageKind kind, const std::string& title, const std::string& text) {
        Boxes.push_back({kind, title, text});
        return true;
    });
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
    SetMessageBoxObserver({});
}
