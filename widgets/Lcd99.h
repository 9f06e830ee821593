// TLCD99: a row of seven-segment cells with decimal points and colons, optionally animated.
#pragma once

#include <QWidget>

#include <cstdint>
#include <string>

enum TLCDAbout : int { abNone, abAbout };
enum TLCDAnimation : int { anNone, anSpiral, anUp, anDown, anLeft, anRight, anRandom };

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
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
};
