// Beeps through the Qt application, counted by an optional observer.
#include "platform/Beep.h"

#include <QApplication>

#include "platform/BeepObserver.h"

void MessageBeep(TBeepKind kind)
{
    NotifyBeepObserver(kind);
    // Qt has a single system sound; the exclamation kind differs only for observers.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}
