// TLCD99: paints the seven-segment readout, double-buffered, with the optional segment animation.
#include "widgets/Lcd99.h"

#include <QAccessible>
#include <QBackingStore>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QRandomGenerator>
#include <QTimer>
#include <QWindow>

#include <algorithm>

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"

namespace {
// Stored colours are 0x00BBGGRR: red in the low byte.
QColor ColourFromStored(std::uint32_t colour)
{
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
}

QRect RectFromBox(const TBox& box)
{
    return QRect(box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top);
}

const char* const AboutText =
    "TLCD99 1.0\nSeven-segment display\nby the Tolvane developers";
}  // namespace

TLCD99::TLCD99(QWidget* owner)
    : QWidget(owner)
{
    // The paint covers every pixel itself: no background erase, nothing shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    BackgroundColour = 0x000000;
    resize(92, 34);
}

void TLCD99::SetAbout(TLCDAbout about)
{
    if (about != abAbout)
        return;
    ShowMessageBox(this, TMessageKind::Information, "Information", AboutText);
    RequestRepaint();
}

void TLCD99::SetAnimation(TLCDAnimation animation)
{
    if (animation != AnimationKind)
        AnimationKind = animation;
}

void TLCD99::SetAnimationDelay(int milliseconds)
{
    if (milliseconds != AnimationDelayMs)
        AnimationDelayMs = milliseconds;
}

void TLCD99::SetDigitNum(int digits)
{
    if (digits == Digits)
        return;
    Digits = digits;
    RequestRepaint();
}

void TLCD99::SetDigitSpacing(int pixels)
{
    if (pixels == Spacing)
        return;
    Spacing = pixels;
    RequestRepaint();
}

void TLCD99::SetDoubleBuffer(bool enabled)
{
    DoubleBuffered = enabled;
}

void TLCD99::SetGapX(int pixels)
{
    if (pixels == GapXPixels)
        return;
    GapXPixels = pixels;
    RequestRepaint();
}

void TLCD99::SetGapY(int pixels)
{
    if (pixels == GapYPixels)
        return;
    GapYPixels = pixels;
    RequestRepaint();
}

void TLCD99::SetOffColor(std::uint32_t colour)
{
    if (colour == OffColour)
        return;
    OffColour = colour;
    RequestRepaint();
}

void TLCD99::SetOnColor(std::uint32_t colour)
{
    if (colour == OnColour)
        return;
    OnColour = colour;
    RequestRepaint();
}

void TLCD99::SetColor(std::uint32_t colour)
{
    if (colour == BackgroundColour)
        return;
    BackgroundColour = colour;
    RequestRepaint();
}

void TLCD99::SetPreview(bool enabled)
{
    PreviewEnabled = enabled;
    if (enabled)
        RequestRepaint();
}

void TLCD99::SetSegmentSize(int pixels)
{
    if (pixels == Segment)
        return;
    Segment = pixels;
    RequestRepaint();
}

void TLCD99::SetValue(const std::string& value)
{
    // Compared before normalising: "abc" over a stored "ABC" still counts as a change.
    if (value == StoredValue)
        return;
    StoredValue = NormaliseValue(value);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, QString::fromStdString(StoredValue));
        QAccessible::updateAccessibility(&changed);
    }
    AnimateNext = true;
    RequestRepaint();
    emit ValueChanged();
}

bool TLCD99::MakeBuffer(QImage& buffer, const QSize& size)
{
    buffer = QImage(size, QImage::Format_RGB32);
    return !buffer.isNull();
}

void TLCD99::paintEvent(QPaintEvent* /*event*/)
{
    if (Painting) {
        // A paint that arrives during an animation pause; the running paint repaints afterwards.
        PaintMissed = true;
        return;
    }
    QPainter control(this);
    Paint(control);
}

void TLCD99::Paint(QPainter& control)
{
    Painting = true;
    PaintMissed = false;
    PaintStart = GetTickCount();
    ControlCanvas = &control;
    PaintCanvas = &control;
    UseBuffer = DoubleBuffered;

    QPainter bufferCanvas;
    if (UseBuffer) {
        if (MakeBuffer(BufferBitmap, size()) && bufferCanvas.begin(&BufferBitmap)) {
            PaintCanvas = &bufferCanvas;
        } else {
            BufferBitmap = QImage();
            UseBuffer = false;
        }
    }

    PaintCanvas->fillRect(rect(), ColourFromStored(BackgroundColour));

    // The text split now is the one this paint draws, even if a pause lets a new one in.
    const std::string drawnValue = StoredValue;
    const bool animate = AnimateNext;
    // Fewer than one cell: only the background, and no division by the cell count.
    if (Digits >= 1) {
        const int kind = ChooseAnimationKind();
        if (drawnValue.empty()) {
            const TPaintRows rows = MakeRows(std::string(), PaintedValue, Digits);
            if (animate)
                DrawDigits(kind, AnimationDelayMs, TDrawMode::AllPositions, rows);
            else
                DrawDigits(0, 0, TDrawMode::AllPositions, rows);
        } else {
            // Redraw what was on display before, then only the cells that differ from it.
            DrawDigits(0, 0, TDrawMode::AllPositions, MakeRows(PaintedValue, std::string(), Digits));
            const TPaintRows rows = MakeRows(drawnValue, PaintedValue, Digits);
            const std::int64_t elapsed = static_cast<std::int64_t>(GetTickCount() - PaintStart);
            const int budget =
                static_cast<int>(std::max<std::int64_t>(0, AnimationDelayMs - elapsed));
            if (animate)
                DrawDigits(kind, budget, TDrawMode::ChangedOnly, rows);
            else
                DrawDigits(0, 0, TDrawMode::ChangedOnly, rows);
        }
    }

    // Record what is really on display: a text written during a pause is still to be drawn.
    PaintedValue = drawnValue;
    const bool changedMeanwhile = StoredValue != drawnValue;

    if (UseBuffer) {
        bufferCanvas.end();
        control.drawImage(0, 0, BufferBitmap);
        BufferBitmap = QImage();
    }
    PaintCanvas = nullptr;
    ControlCanvas = nullptr;

    AnimateNext = changedMeanwhile;
    Painting = false;
    LastPaintDuration = static_cast<std::uint32_t>(GetTickCount() - PaintStart);
    if (changedMeanwhile || PaintMissed)
        RequestRepaint();
}

TLCD99::TPaintRows TLCD99::MakeRows(const std::string& newText, const std::string& oldText,
                                    int digits)
{
    const TSplitRows newRows = SplitPoints(newText);
    const TSplitRows oldRows = SplitPoints(oldText);
    return TPaintRows{PadLeft(newRows.Characters, digits), PadLeft(newRows.Points, digits),
                      PadLeft(oldRows.Characters, digits), PadLeft(oldRows.Points, digits)};
}

int TLCD99::ChooseAnimationKind() const
{
    if (AnimationKind == anRandom)
        return QRandomGenerator::global()->bounded(1, AnimationKindCount + 1);
    if (AnimationKind >= anSpiral && AnimationKind <= anRight)
        return static_cast<int>(AnimationKind);
    return 0;
}

void TLCD99::DrawDigits(int kind, int delay, TDrawMode mode, const TPaintRows& rows)
{
    const TCellGeometry geometry = ComputeGeometry(width(), height(), Digits, Spacing, GapXPixels,
                                                   GapYPixels, Segment);
    const auto skipped = [mode](const std::string& newRow, const std::string& oldRow,
                                int position) {
        const auto index = static_cast<std::size_t>(position - 1);
        return mode == TDrawMode::ChangedOnly && newRow[index] == oldRow[index];
    };

    // Points are never animated: they all go first.
    for (int position = 1; position <= Digits; ++position) {
        if (skipped(rows.NewPoints, rows.OldPoints, position))
            continue;
        DrawShape(geometry, position, 0,
                  rows.NewPoints[static_cast<std::size_t>(position - 1)] == '.');
    }

    const std::int64_t remaining =
        delay - static_cast<std::int64_t>(GetTickCount() - PaintStart);
    // Eight steps, seven pauses between them.
    const std::int64_t stepPause = remaining > 0 ? remaining / 7 : 0;
    std::int64_t carry = 0;
    const auto& order = AnimationOrder[static_cast<std::size_t>(kind)];
    for (int step = 1; step <= SegmentCount; ++step) {
        const std::uint64_t stepStart = GetTickCount();
        const int segment = order[static_cast<std::size_t>(step - 1)];
        for (int position = 1; position <= Digits; ++position) {
            if (skipped(rows.NewCharacters, rows.OldCharacters, position))
                continue;
            const char character = rows.NewCharacters[static_cast<std::size_t>(position - 1)];
            DrawShape(geometry, position, segment, SegmentLit(character, segment));
        }
        if (kind == 0 || stepPause <= 0)
            continue;
        if (UseBuffer)
            CopyBufferToControl();
        if (step < SegmentCount) {
            // The overshoot of one pause is taken off the next, so the whole stays on budget.
            const std::int64_t target = stepPause - carry;
            WaitProcessingEvents(stepStart, target);
            const auto spent = static_cast<std::int64_t>(GetTickCount() - stepStart);
            carry = std::min(spent - target, stepPause);
        }
    }
}

void TLCD99::DrawShape(const TCellGeometry& geometry, int position, int segment, bool lit)
{
    const QColor colour = ColourFromStored(lit ? OnColour : OffColour);
    QPainter& canvas = *PaintCanvas;
    canvas.setPen(QPen(colour, 0, Qt::SolidLine));  // one pixel wide, cosmetic
    canvas.setBrush(QBrush(colour, Qt::SolidPattern));
    if (segment == 0) {
        // Filled rather than stroked: the box's right and bottom edges stay outside it.
        const TBox box = PointBox(geometry, position);
        if (!box.IsEmpty())
            canvas.fillRect(RectFromBox(box), colour);
    } else if (segment == ColonSegment) {
        // Row by row, so each dot stays inside its box and touches all four of its edges.
        for (const TBox& box : ColonBoxes(geometry, position)) {
            for (const TBox& row : EllipseRows(box))
                canvas.fillRect(RectFromBox(row), colour);
        }
    } else {
        const TPolygon polygon = SegmentPolygon(geometry, position, segment);
        QPolygon points;
        for (const TPoint& point : polygon)
            points << QPoint(point.X, point.Y);
        canvas.drawPolygon(points);
        // The outline owns its corners; the line rasteriser may leave one out.
        canvas.drawPoints(points);
    }
    if (DrawObserver)
        DrawObserver(TLCDDrawnShape{position, segment, lit});
}

void TLCD99::CopyBufferToControl()
{
    ControlCanvas->drawImage(0, 0, BufferBitmap);
    // The control's canvas is the window's backing store, shown only after the paint; an
    // animation step must reach the screen now.
    QWidget* top = window();
    QBackingStore* store = top->backingStore();
    if (isVisible() && store && top->windowHandle() && top->windowHandle()->handle())
        store->flush(QRegion(QRect(mapTo(top, QPoint(0, 0)), size())), top->windowHandle());
}

void TLCD99::WaitProcessingEvents(std::uint64_t stepStart, std::int64_t pause)
{
    // At least one round of pending events, even when the carry has used up this pause.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    for (;;) {
        const std::int64_t left = pause - static_cast<std::int64_t>(GetTickCount() - stepStart);
        if (left <= 0)
            return;
        QEventLoop wait;
        QTimer::singleShot(std::chrono::milliseconds(left), Qt::PreciseTimer, &wait,
                           &QEventLoop::quit);
        wait.exec();
    }
}
