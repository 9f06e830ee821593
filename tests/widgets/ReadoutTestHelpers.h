// The main window's readout as the widget tests build and render it.
#pragma once

#include <QImage>

#include <memory>

#include "widgets/Lcd99.h"

// 92 x 32, three digits, segment size 3, black, showing "0".
inline std::unique_ptr<TLCD99> MainWindowReadout()
{
    auto lcd = std::make_unique<TLCD99>();
    lcd->resize(92, 32);
    lcd->SetDigitNum(3);
    lcd->SetSegmentSize(3);
    lcd->SetColor(0);
    lcd->SetValue("0");
    return lcd;
}

inline QImage Render(TLCD99& lcd)
{
    QImage image(lcd.size(), QImage::Format_RGB32);
    image.fill(Qt::white);  // anything the paint leaves out shows as white
    lcd.render(&image);
    return image;
}
