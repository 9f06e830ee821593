// The compass dial's geometry: plain arithmetic on points, with no widget.
#include "widgets/CompassGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double Pi = 3.14159265358979323846;
// The margin round the dial, as a share of the smaller side; never less than a few pixels.
constexpr double MarginShare = 0.03;
constexpr double SmallestMargin = 3;
// Within this share of the radius a click has no clear direction.
constexpr double DeadCentreShare = 0.08;

}  // namespace

TDial DialIn(const QSizeF& size)
{
    const double side = std::min(size.width(), size.height());
    const double margin = std::max(SmallestMargin, side * MarginShare);
    return TDial{QPointF(size.width() / 2.0, size.height() / 2.0), std::max(0.0, side / 2.0 - margin)};
}

std::optional<int> AzimuthAt(const QPointF& point, const TDial& dial)
{
    const double east = point.x() - dial.Centre.x();
    const double north = dial.Centre.y() - point.y();  // the screen's y grows downwards
    const double distance = std::hypot(east, north);
    if (distance == 0 || distance < dial.Radius * DeadCentreShare)
        return std::nullopt;
    double degrees = std::atan2(east, north) * 180.0 / Pi;
    if (degrees < 0)
        degrees += 360.0;
    // nearbyint rounds halves to the even neighbour; 359.6 becomes 360, which is north again.
    const int whole = static_cast<int>(std::nearbyint(degrees));
    return whole % 360;
}

QPointF PointAt(const QPointF& centre, double radius, double azimuth)
{
    const double radians = azimuth * Pi / 180.0;
    return QPointF(centre.x() + radius * std::sin(radians), centre.y() - radius * std::cos(radians));
}

int TurnedAzimuth(int azimuth, int delta)
{
    return std::clamp(azimuth + delta, 0, 359);
}
