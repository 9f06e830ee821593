// TLCD99: a row of seven-segment cells with decimal points and colons, optionally animated.
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

#include "widgets/SevenSegment.h"

class QPainter;

enum TLCDAbout : int { abNone, abAbout };
enum TLCDAnimation : int { anNone, anSpiral, anUp, anDown, anLeft, anRight, anRandom };

// One shape as the paint draws it: Segment 1..8 of cell Position, or Segment 0 for the point
// in front of it.
struct TLCDDrawnShape {
    int Position = 0;
    int Segment = 0;
    bool Lit = false;
};
using TLCDDrawObserver = std::function<void(const TLCDDrawnShape&)>;

class TLCD99 : public QWidget {
    Q_OBJECT
public:
    explicit TLCD99(QWidget* owner = nullptr);

    TLCDAbout About() const { return abNone; }
    void SetAbout(TLCDAbout about);
    TLCDAnimation Animation() const { return AnimationKind; }
    void SetAnimation(TLCDAnimation animation);
    int AnimationDelay() const { return AnimationDelayMs; }
    void SetAnimationDelay(int milliseconds);
    int DigitNum() const { return Digits; }
    void SetDigitNum(int digits);
    int DigitSpacing() const { return Spacing; }
    void SetDigitSpacing(int pixels);
    bool DoubleBuffer() const { return DoubleBuffered; }
    void SetDoubleBuffer(bool enabled);
    int GapX() const { return GapXPixels; }
    void SetGapX(int pixels);
    int GapY() const { return GapYPixels; }
    void SetGapY(int pixels);
    bool IsPainting() const { return Painting; }
    // Colours are 0x00BBGGRR, as the widget's users store them.
    std::uint32_t OffColor() const { return OffColour; }
    void SetOffColor(std::uint32_t colour);
    std::uint32_t OnColor() const { return OnColour; }
    void SetOnColor(std::uint32_t colour);
    std::uint32_t Color() const { return BackgroundColour; }
    void SetColor(std::uint32_t colour);
    std::uint32_t PaintDuration() const { return LastPaintDuration; }
    bool Preview() const { return PreviewEnabled; }
    void SetPreview(bool enabled);
    int SegmentSize() const { return Segment; }
    void SetSegmentSize(int pixels);
    std::string Value() const { return StoredValue; }
    void SetValue(const std::string& value);

    // Sees every shape a paint draws, in drawing order; empty by default.
    void SetDrawObserver(TLCDDrawObserver observer) { DrawObserver = std::move(observer); }

signals:
    // The stored Value changed; other views of the azimuth follow it.
    void ValueChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Makes the off-screen buffer of one paint; false leaves that paint unbuffered.
    virtual bool MakeBuffer(QImage& buffer, const QSize& size);

private:
    struct TPaintRows {
        std::string NewCharacters;
        std::string NewPoints;
        std::string OldCharacters;
        std::string OldPoints;
    };
    enum class TDrawMode { AllPositions, ChangedOnly };

    void Paint(QPainter& control);
    static TPaintRows MakeRows(const std::string& newText, const std::string& oldText, int digits);
    void DrawDigits(int kind, int delay, TDrawMode mode, const TPaintRows& rows);
    void DrawShape(const TCellGeometry& geometry, int position, int segment, bool lit);
    void CopyBufferToControl();
    void WaitProcessingEvents(std::uint64_t stepStart, std::int64_t pause);
    int ChooseAnimationKind() const;
    void RequestRepaint() { update(); }

    TLCDAnimation AnimationKind = anNone;
    int AnimationDelayMs = 0;
    int Digits = 4;
    int Spacing = 5;
    bool DoubleBuffered = true;
    int GapXPixels = 2;
    int GapYPixels = 2;
    bool Painting = false;
    std::uint32_t OffColour = 0x000000;
    std::uint32_t OnColour = 0x00FF00;
    std::uint32_t BackgroundColour = 0x000000;
    std::uint32_t LastPaintDuration = 0;
    bool PreviewEnabled = false;
    int Segment = 2;
    std::string StoredValue;
    std::string PaintedValue;
    bool AnimateNext = false;

    // Alive only while a paint runs.
    QImage BufferBitmap;
    bool UseBuffer = false;
    bool PaintMissed = false;
    QPainter* PaintCanvas = nullptr;
    QPainter* ControlCanvas = nullptr;
    std::uint64_t PaintStart = 0;
    TLCDDrawObserver DrawObserver;
};
