// Paint time of the main window's readout: median over many repaints and value changes.
#include <QApplication>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "widgets/Lcd99.h"

namespace {

double MedianMicroseconds(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    TLCD99 lcd;
    lcd.resize(92, 32);
    lcd.SetDigitNum(3);
    lcd.SetSegmentSize(3);
    lcd.SetColor(0);
    lcd.SetValue("0");
    QImage target(lcd.size(), QImage::Format_RGB32);

    constexpr int Paints = 5000;
    std::vector<double> repaint;
    std::vector<double> change;
    repaint.reserve(Paints);
    change.reserve(Paints);
    for (int i = 0; i < Paints; ++i) {
        using Clock = std::chrono::steady_clock;
        auto start = Clock::now();
        lcd.render(&target);  // same value: the uncovering case
        repaint.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());

        lcd.SetValue(std::to_string(i % 360));
        start = Clock::now();
        lcd.render(&target);  // a new azimuth, as the spin button and the feed write it
        change.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::printf("TLCD99 92x32, 3 digits, %d paints each\n", Paints);
    std::printf("  repaint, same value:  median %.1f us\n", MedianMicroseconds(repaint));
    std::printf("  paint after a change: median %.1f us\n", MedianMicroseconds(change));
    std::printf("  last PaintDuration:   %u ms\n", lcd.PaintDuration());
    return 0;
}
