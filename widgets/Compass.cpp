// TCompass: the dial painted with QPainter at any size, and the user's clicks, drags and keys on it.
#include "widgets/Compass.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "widgets/CompassGeometry.h"

namespace {

const QColor FaceColour(250, 250, 245);
const QColor ScaleColour(40, 40, 40);
const QColor TargetColour(200, 0, 0);
// The long path is a reminder, not a second target.
const QColor LongPathColour(200, 0, 0, 80);
const QColor HeadingColour(20, 60, 150);

// Texts never shrink below what a user can read, however small the window.
constexpr double SmallestTextPixels = 9;

QFont DialFont(const QFont& base, double radius, double share, bool bold)
{
    QFont font = base;
    font.setPixelSize(static_cast<int>(std::max(SmallestTextPixels, radius * share)));
    font.setBold(bold);
    return font;
}

void DrawCentredText(QPainter& painter, const QPointF& centre, const QString& text)
{
    const QRectF box(centre.x() - 200, centre.y() - 100, 400, 200);
    painter.drawText(box, Qt::AlignCenter, text);
}

// A reading over the dial: on a patch of the face, so that the needle never runs through its digits.
void DrawReading(QPainter& painter, const QPointF& centre, const QString& text)
{
    const QRectF bounds = painter.fontMetrics().boundingRect(text);
    const double padding = bounds.height() * 0.15;
    QRectF patch(0, 0, bounds.width() + 4 * padding, bounds.height() + padding);
    patch.moveCenter(centre);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(FaceColour);
    painter.drawRoundedRect(patch, padding * 2, padding * 2);
    painter.restore();
    DrawCentredText(painter, centre, text);
}

// A triangle on the rim pointing in to the centre: the target's mark and its long path's.
QPolygonF RimMark(const TDial& dial, double azimuth)
{
    const double halfWidth = 5.0;  // degrees either side at the rim
    return QPolygonF({PointAt(dial.Centre, dial.Radius * 0.76, azimuth),
                      PointAt(dial.Centre, dial.Radius, azimuth - halfWidth),
                      PointAt(dial.Centre, dial.Radius, azimuth + halfWidth)});
}

void DrawScale(QPainter& painter, const TDial& dial, const QFont& base, const QStringList& cardinals)
{
    const double r = dial.Radius;
    for (int degrees = 0; degrees < 360; degrees += 5) {
        const bool major = degrees % 30 == 0;
        const double inner = major ? 0.86 : (degrees % 10 == 0 ? 0.90 : 0.94);
        painter.setPen(QPen(ScaleColour, std::max(1.0, r * (major ? 0.018 : 0.008)), Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(PointAt(dial.Centre, r * inner, degrees), PointAt(dial.Centre, r, degrees));
    }
    painter.setPen(ScaleColour);
    painter.setFont(DialFont(base, r, 0.17, true));
    for (int quarter = 0; quarter < 4 && quarter < cardinals.size(); ++quarter)
        DrawCentredText(painter, PointAt(dial.Centre, r * 0.70, quarter * 90), cardinals[quarter]);
    painter.setFont(DialFont(base, r, 0.095, false));
    for (int degrees = 30; degrees < 360; degrees += 30) {
        if (degrees % 90 != 0)
            DrawCentredText(painter, PointAt(dial.Centre, r * 0.73, degrees), QString::number(degrees));
    }
}

void DrawHeading(QPainter& painter, const TDial& dial, int degrees)
{
    const double r = dial.Radius;
    const double halfWidth = std::max(2.0, r * 0.035);
    const QPointF tip = PointAt(dial.Centre, r * 0.82, degrees);
    const QPointF tail = PointAt(dial.Centre, r * 0.18, degrees + 180);
    const QPointF left = PointAt(dial.Centre, halfWidth, degrees - 90);
    const QPointF right = PointAt(dial.Centre, halfWidth, degrees + 90);
    painter.setPen(Qt::NoPen);
    painter.setBrush(HeadingColour);
    painter.drawPolygon(QPolygonF({tip, right, tail, left}));
    painter.drawEllipse(dial.Centre, halfWidth * 1.6, halfWidth * 1.6);
}

}  // namespace

TCompass::TCompass(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 120);
}

QSize TCompass::sizeHint() const
{
    return QSize(300, 300);
}

QSize TCompass::minimumSizeHint() const
{
    return QSize(120, 120);
}

void TCompass::SetTarget(std::optional<int> degrees)
{
    if (degrees == TargetDegrees)
        return;
    TargetDegrees = degrees;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, degrees ? QVariant(*degrees) : QVariant());
        QAccessible::updateAccessibility(&changed);
    }
    update();
}

void TCompass::SetHeading(bool readBack, std::optional<int> degrees, const QString& prefix)
{
    ReadBack = readBack;
    HeadingDegrees = degrees;
    HeadingPrefix = prefix;
    update();
}

void TCompass::SetCardinals(const QStringList& letters)
{
    CardinalLetters = letters;
    update();
}

void TCompass::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const TDial dial = DialIn(size());
    const double r = dial.Radius;

    painter.setPen(QPen(ScaleColour, std::max(1.0, r * 0.015)));
    painter.setBrush(FaceColour);
    painter.drawEllipse(dial.Centre, r, r);
    DrawScale(painter, dial, font(), CardinalLetters);

    if (TargetDegrees) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(LongPathColour);
        painter.drawPolygon(RimMark(dial, *TargetDegrees + 180));
        painter.setBrush(TargetColour);
        painter.drawPolygon(RimMark(dial, *TargetDegrees));
    }
    if (ReadBack && HeadingDegrees)
        DrawHeading(painter, dial, *HeadingDegrees);

    // The readings last, over the needle.
    if (TargetDegrees) {
        painter.setPen(TargetColour);
        painter.setFont(DialFont(font(), r, 0.13, true));
        DrawReading(painter, dial.Centre + QPointF(0, -r * 0.36), QString::number(*TargetDegrees) + QChar(0xB0));
    }
    if (ReadBack) {
        const QString degrees = HeadingDegrees ? QString::number(*HeadingDegrees) + QChar(0xB0) : QStringLiteral("---");
        painter.setPen(HeadingColour);
        painter.setFont(DialFont(font(), r, 0.10, true));
        DrawReading(painter, dial.Centre + QPointF(0, r * 0.40), HeadingPrefix + degrees);
    }

    if (hasFocus()) {
        // The keys turn the target: show that they reach it.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(dial.Centre, r + 1.5, r + 1.5);
    }
}

void TCompass::ChooseAt(const QPointF& point)
{
    const std::optional<int> azimuth = AzimuthAt(point, DialIn(size()));
    if (!azimuth || azimuth == DragAzimuth)
        return;
    DragAzimuth = azimuth;
    emit AzimuthChosen(*azimuth);
}

void TCompass::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    DragAzimuth.reset();
    ChooseAt(event->position());
    event->accept();
}

void TCompass::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        ChooseAt(event->position());
    event->accept();
}

void TCompass::mouseReleaseEvent(QMouseEvent* event)
{
    DragAzimuth.reset();
    event->accept();
}

void TCompass::keyPressEvent(QKeyEvent* event)
{
    int delta = 0;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        delta = -1;
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        delta = 1;
        break;
    case Qt::Key_PageDown:
        delta = -10;
        break;
    case Qt::Key_PageUp:
        delta = 10;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // Without a target shown there is nothing to turn from.
    if (!TargetDegrees)
        return;
    const int turned = TurnedAzimuth(*TargetDegrees, delta);
    if (turned != *TargetDegrees)
        emit AzimuthChosen(turned);
}
