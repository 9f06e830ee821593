// Test helpers that count the program's beeps and answer its message boxes.
#pragma once

#include <string>
#include <vector>

#include "platform/Beep.h"
#include "platform/MessageBoxes.h"

// Counts beeps while alive.
class TBeepRecorder {
public:
    TBeepRecorder();
    ~TBeepRecorder();
    TBeepRecorder(const TBeepRecorder&) = delete;
    TBeepRecorder& operator=(const TBeepRecorder&) = delete;

    int Count() const { return static_cast<int>(Kinds.size()); }
    int CountOf(TBeepKind kind) const;
    void Clear() { Kinds.clear(); }
    std::vector<TBeepKind> Kinds;
};

struct TRecordedMessageBox {
    TMessageKind Kind;
    std::string Title;
    std::string Text;
};

// Records message boxes and answers them at once while alive.
class TMessageBoxRecorder {
public:
    TMessageBoxRecorder();
    ~TMessageBoxRecorder();
    TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
    TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;

    std::vector<TRecordedMessageBox> Boxes;
};
