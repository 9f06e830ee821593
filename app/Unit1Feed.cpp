// TForm1's azimuth feed: the link to Teskarn, its retries and each published value.
#include "app/Unit1.h"

#include <QLineEdit>
#include <QTimer>

#include "app/TimerEnable.h"
#include "core/FeedText.h"
#include "core/PointingState.h"
#include "widgets/Lcd99.h"

namespace {
constexpr const char* FeedService = "Teskarn";
constexpr const char* FeedTopic = "Teskarn";
constexpr const char* FeedItem = "azimuth";
}  // namespace

void TForm1::FeedLinkAttempt()
{
    // An open conversation is closed and opened again here: the settings window relies on it
    // to have the current value delivered once more.
    DdeClientConv().SetLink(FeedService, FeedTopic);
    DdeClientConv().SetItemName(FeedItem);
}

void TForm1::TimerDDETimer()
{
    FeedLinkAttempt();
}

void TForm1::DdeClientConvOpen()
{
    FeedLinkOpen = true;
    TimerDDE->stop();
}

void TForm1::DdeClientConvClose()
{
    if (!FeedLinkOpen)
        return;
    FeedLinkOpen = false;
    EnableTimer(TimerDDE);
}

void TForm1::DdeClientItemChange(const std::string& itemText)
{
    const std::string text = TrimFeedText(itemText);
    if (text.empty())
        return;
    LCDAzi->SetValue(text);
    // The box gets the trimmed text, not the readout's normalised one; its change handler
    // runs only if the text differs, so a repeated value sends nothing, unless the heading
    // read back shows the antenna elsewhere.
    const QString boxText = QString::fromStdString(text);
    if (EditAzimut->text() == boxText) {
        RepeatFeedTarget(text);
        return;
    }
    EditAzimut->setText(boxText);
}
