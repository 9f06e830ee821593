// Beeps through the Qt application, counted by an optional observer.
#include "platform/Beep.h"

#include <QApplication>

namespace {
TBeepObserver& beepObserver()
{
    static TBeepObserver observer;
    return observer;
}
}  // namespace

void MessageBeep(TBeepKind kind)
{
    if (beepObserver())
        beepObserver()(kind);
    // Qt has a single system sound; the exclamation kind differs only for observers.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

void SetBeepObserver(TBeepObserver observer)
{
    beepObserver() = std::move(observer);
}
