// TForm1: reading the heading back — the switch, the poll's readings, the heading line, the compass's needle, the bus.
#include "app/Unit1.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "app/CompassWindow.h"
#include "app/ReadbackSetting.h"
#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "drivers/HeadingPoll.h"
#include "widgets/Compass.h"
#include "widgets/HeadingLine.h"

namespace {

struct THeadingTexts {
    const char* ReadBack;
    const char* LinePrefix;
    const char* LineDescription;
};
const THeadingTexts EnglishHeadingTexts = {"Read the heading back", "Heading: ",
                                           "Where the antenna points, as the rotator controller reports it"};
const THeadingTexts FrenchHeadingTexts = {"Lire la position de l'antenne", "Cap : ",
                                          "Direction de l'antenne, telle que le contrôleur du rotor l'indique"};

// Below the panel, which ends at 55, in the panel's width.
const QRect HeadingLineBounds(10, 58, 361, 16);
constexpr int HeadingLineBottomMargin = 3;

bool CanReadBack(int rotatorInterface)
{
    const TInterfaceRow* row = InterfaceRowOf(rotatorInterface);
    return row && row->PositionQuery && row->ReadPosition;
}

}  // namespace

void TForm1::BuildHeadingControls()
{
    LabelHeading = new THeadingLine(centralWidget());
    LabelHeading->setGeometry(HeadingLineBounds);
    LabelHeading->hide();

    PopupMenuInit = new QMenu(this);
    MenuReadBack = new QAction(PopupMenuInit);
    MenuReadBack->setCheckable(true);
    connect(MenuReadBack, &QAction::triggered, this, &TForm1::MenuReadBackClick);
    PopupMenuInit->addAction(MenuReadBack);
    BuildSerialPortsEntry();
    // The interface may have changed in the settings window since the last time.
    connect(PopupMenuInit, &QMenu::aboutToShow, this,
            [this]() { MenuReadBack->setEnabled(CanReadBack(StationSettings.ANT)); });

    HeadingPoll = new THeadingPoll(this);
    DriverContext.HeadingPoll = HeadingPoll;
    connect(HeadingPoll, &THeadingPoll::HeadingRead, this, &TForm1::HeadingPollRead);
    connect(HeadingPoll, &THeadingPoll::HeadingLost, this, &TForm1::HeadingPollLost);

    ReadbackSettingFile = ReadbackSettingPath();
    ReadBackOn = ReadReadbackSetting(ReadbackSettingFile);
    MenuReadBack->setChecked(ReadBackOn);
    ShowHeadingTexts();
    ShowHeadingLine(ReadBackOn);
}

namespace {

const THeadingTexts& HeadingTextsFor(const QAction* french)
{
    return french && french->isChecked() ? FrenchHeadingTexts : EnglishHeadingTexts;
}

}  // namespace

std::optional<int> TForm1::HeadingDegrees() const
{
    const std::optional<double> heading = HeadingPoll->Heading();
    if (!heading)
        return std::nullopt;
    return static_cast<int>(RoundToInteger(*heading) % 360);
}

void TForm1::ShowHeadingTexts()
{
    const THeadingTexts& texts = HeadingTextsFor(MenuFrancais);
    MenuReadBack->setText(QString::fromUtf8(texts.ReadBack));
    LabelHeading->setAccessibleDescription(QString::fromUtf8(texts.LineDescription));
    LabelHeading->Show(QString::fromUtf8(texts.LinePrefix), HeadingDegrees());
    ShowCompassHeading();
}

void TForm1::ShowCompassHeading()
{
    if (FormCompass)
        FormCompass->Compass->SetHeading(ReadBackOn, HeadingDegrees(),
                                         QString::fromUtf8(HeadingTextsFor(MenuFrancais).LinePrefix));
}

void TForm1::contextMenuEvent(QContextMenuEvent* event)
{
    MenuReadBack->setEnabled(CanReadBack(StationSettings.ANT));
    PopupMenuInit->exec(event->globalPos());
    event->accept();
}

void TForm1::MenuReadBackClick()
{
    if (!CanReadBack(StationSettings.ANT)) {
        MenuReadBack->setChecked(ReadBackOn);
        return;
    }
    ReadBackOn = MenuReadBack->isChecked();
    WriteReadbackSetting(ReadbackSettingFile, ReadBackOn);
    ShowHeadingLine(ReadBackOn);
    UpdateHeadingPoll();
}

void TForm1::UpdateHeadingPoll()
{
    const bool settingsOpen = FormInit && FormInit->isVisible();
    const bool readingBack = ReadBackOn && !ShutDownDone && CanReadBack(StationSettings.ANT);
    IHeadingPublisher* publisher = Services.HeadingPublisher.get();
    if (!readingBack && HeadingPublished) {
        HeadingPublished = false;
        HeadingPoll->SetRunning(false);
        if (publisher)
            publisher->Withdraw();
        return;
    }
    // Read back, even paused or silent, the heading is unknown rather than absent: a tracking program
    // must not take the commanded azimuth for the antenna's.
    const bool announce = readingBack && !HeadingPublished;
    HeadingPublished = readingBack;
    HeadingPoll->SetRunning(readingBack && !settingsOpen);
    if (announce && publisher && !HeadingPoll->Heading())
        publisher->PublishUnknown();
}

void TForm1::HeadingPollRead(double azimuth, std::uint64_t tick)
{
    ShowHeadingTexts();
    if (Services.HeadingPublisher && HeadingPublished)
        Services.HeadingPublisher->Publish(azimuth, tick);
}

void TForm1::HeadingPollLost()
{
    ShowHeadingTexts();
    if (Services.HeadingPublisher && HeadingPublished)
        Services.HeadingPublisher->PublishUnknown();
}

void TForm1::RepeatFeedTarget(const std::string& text)
{
    const TInterfaceRow* row = InterfaceRowOf(StationSettings.ANT);
    long double azimuth = 0;
    if (!AutoModeOn() || !row || !TryStrToFloat(text, azimuth) || azimuth < 0 || azimuth >= 360)
        return;
    // Only a target already sent, which the step rule would hold back, is repeated here; the go decides.
    const int step = StationSettings.*row->Step;
    const long double fromLastSent = std::fabs(azimuth - LastSentAzimuth);
    if (!(fromLastSent < step || fromLastSent == 0) || !HeadingPoll->CallsForRepeat(azimuth, step))
        return;
    AutomaticPress = true;
    ButtonTrackClick();
}

int TForm1::HeadingLineGrowth() const
{
    if (!ReadBackOn)
        return 0;
    // Before the window is shown the menu bar has no height yet, only the one it will take.
    const int menu = menuBar()->isVisible() ? menuBar()->height() : menuBar()->sizeHint().height();
    const int central = height() - HeadingGrowth - menu;
    return std::max(0, HeadingLineBounds.bottom() + 1 + HeadingLineBottomMargin - central);
}

void TForm1::FitHeadingLine()
{
    // The window grows by what the line needs, and gives it back when the line goes.
    const int growth = HeadingLineGrowth();
    if (growth == HeadingGrowth)
        return;
    const int base = height() - HeadingGrowth;
    HeadingGrowth = growth;
    resize(width(), base + growth);
}

void TForm1::ShowHeadingLine(bool shown)
{
    LabelHeading->setVisible(shown);
    FitHeadingLine();
    ShowCompassHeading();
}
