// TFocusHistory: follows the application's focus window.
#include "app/FocusHistory.h"

#include <QGuiApplication>

TFocusHistory::TFocusHistory(QObject* parent)
    : QObject(parent), CurrentFocusWindow(QGuiApplication::focusWindow())
{
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &TFocusHistory::FocusWindowChanged);
}

QWindow* TFocusHistory::CameFrom(const QWindow* own) const
{
    // Qt may tell the activation before or after it announces the new focus window.
    QWindow* cameFrom = CurrentFocusWindow == own ? PreviousFocusWindow.data() : CurrentFocusWindow.data();
    return cameFrom == own ? nullptr : cameFrom;
}

void TFocusHistory::FocusWindowChanged(QWindow* focusWindow)
{
    PreviousFocusWindow = CurrentFocusWindow;
    CurrentFocusWindow = focusWindow;
}
