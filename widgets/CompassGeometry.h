// Where things are on the compass dial: azimuths from points and points from azimuths, 0 at the top, clockwise.
#pragma once

#include <QPointF>
#include <QSizeF>

#include <optional>

struct TDial {
    QPointF Centre;
    double Radius = 0;
};

// The largest dial that fits the widget with a small margin, centred in it.
TDial DialIn(const QSizeF& size);
// The whole-degree azimuth (0..359) of a point seen from the dial's centre, rounded half to even; nothing
// near the centre, where a direction cannot be aimed.
std::optional<int> AzimuthAt(const QPointF& point, const TDial& dial);
// The point at `azimuth` degrees on a circle of `radius` round the centre.
QPointF PointAt(const QPointF& centre, double radius, double azimuth);
// The azimuth turned by `delta` degrees, stopping at 0 and 359 as the spin button does.
int TurnedAzimuth(int azimuth, int delta);
