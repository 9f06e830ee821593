// The one way the windows enable their timers.
#pragma once

#include <QTimer>

// Enabling a timer that already runs must not restart its period.
inline void EnableTimer(QTimer* timer)
{
    if (!timer->isActive())
        timer->start();
}
