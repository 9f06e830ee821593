// The program's modal message boxes: one OK button, a nested event loop while they wait.
#pragma once

#include <functional>
#include <string>

class QWidget;

enum class TMessageKind { Information, Warning, Error };

void ShowMessageBox(QWidget* parent, TMessageKind kind, const std::string& title,
                    const std::string& text);

// Tests see every box through this hook; returning true answers it without showing it.
using TMessageBoxObserver =
    std::function<bool(TMessageKind kind, const std::string& title, const std::string& text)>;
void SetMessageBoxObserver(TMessageBoxObserver observer);
