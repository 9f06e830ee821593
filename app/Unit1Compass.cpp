// TForm1: the compass window — its menu entry, its target from the readout, its clicks and its place in Tolvane.conf.
#include "app/Unit1.h"

#include <QAction>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "app/CompassSetting.h"
#include "app/CompassWindow.h"
#include "core/NumberFormat.h"
#include "widgets/Compass.h"
#include "widgets/Lcd99.h"

namespace {

struct TCompassTexts {
    const char* Title;
    const char* MenuEntry;
    const char* Description;
    const char* Cardinals[4];
};
const TCompassTexts EnglishCompassTexts = {
    "Compass", "Show the compass",
    "Click or drag to set the azimuth; the arrow keys turn it by one degree, Page Up and Page Down by ten",
    {"N", "E", "S", "W"}};
const TCompassTexts FrenchCompassTexts = {
    "Boussole", "Afficher la boussole",
    "Cliquez ou faites glisser pour choisir l'azimut ; les flèches le tournent d'un degré, Page précédente et "
    "Page suivante de dix",
    {"N", "E", "S", "O"}};

// The readout's azimuth in whole degrees; a feed value between degrees shows rounded, and anything that is
// not an azimuth of 0 up to 360 (a feed's 400, its "---") shows no mark.
std::optional<int> CompassTargetOf(const std::string& readout)
{
    long double azimuth = 0;
    if (!TryStrToFloat(readout, azimuth) || !(azimuth >= 0 && azimuth < 360))
        return std::nullopt;
    return static_cast<int>(RoundToInteger(azimuth) % 360);
}

std::vector<TWindowBounds> AvailableScreens()
{
    std::vector<TWindowBounds> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    return screens;
}

// A first place that hides nothing of the main window: on its right, or under it when the screen ends
// there; nothing when neither fits, and the window manager places it.
std::optional<QPoint> CompassPlaceBeside(const QRect& mainFrame, const QSize& size, const QRect& screen)
{
    constexpr int Gap = 12;
    const QRect right(QPoint(mainFrame.right() + 1 + Gap, mainFrame.top()), size);
    if (screen.contains(right))
        return right.topLeft();
    const QRect below(QPoint(mainFrame.left(), mainFrame.bottom() + 1 + Gap), size);
    if (screen.contains(below))
        return below.topLeft();
    return std::nullopt;
}

}  // namespace

void TForm1::BuildCompassControls()
{
    MenuCompass = new QAction(PopupMenuInit);
    MenuCompass->setCheckable(true);
    connect(MenuCompass, &QAction::triggered, this, &TForm1::MenuCompassClick);
    PopupMenuInit->addAction(MenuCompass);
    ShowCompassTexts();
    connect(LCDAzi, &TLCD99::ValueChanged, this, &TForm1::ShowCompassTarget);

    // Left open at the last exit: it opens again once the main window is up, without taking its focus.
    if (ReadCompassSetting(ReadbackSettingFile).Shown)
        QTimer::singleShot(0, this, [this]() {
            if (!ShutDownDone)
                ShowCompass(false);
        });
}

void TForm1::ShowCompassTexts()
{
    if (!MenuCompass)
        return;
    const TCompassTexts& texts = MenuFrancais && MenuFrancais->isChecked() ? FrenchCompassTexts : EnglishCompassTexts;
    MenuCompass->setText(QString::fromUtf8(texts.MenuEntry));
    if (!FormCompass)
        return;
    // A screen reader names the slider by the title the window shows.
    const QString title = QString::fromUtf8(texts.Title);
    FormCompass->setWindowTitle(title);
    FormCompass->Compass->setAccessibleName(title);
    FormCompass->Compass->setAccessibleDescription(QString::fromUtf8(texts.Description));
    QStringList cardinals;
    for (const char* letter : texts.Cardinals)
        cardinals.push_back(QString::fromUtf8(letter));
    FormCompass->Compass->SetCardinals(cardinals);
}

void TForm1::ShowCompass(bool activate)
{
    if (!FormCompass) {
        FormCompass = std::make_unique<TCompassWindow>();
        connect(FormCompass.get(), &TCompassWindow::Closed, this, &TForm1::FormCompassClosed);
        connect(FormCompass->Compass, &TCompass::AzimuthChosen, this, &TForm1::CompassAzimuthChosen);
        const std::optional<TWindowBounds> bounds = ReadCompassSetting(ReadbackSettingFile).Bounds;
        if (bounds && BoundsMeetAScreen(*bounds, AvailableScreens())) {
            FormCompass->move(bounds->Left, bounds->Top);
            FormCompass->resize(bounds->Width, bounds->Height);
        } else if (const std::optional<QPoint> place = CompassPlaceBeside(frameGeometry(), FormCompass->size(),
                                                                          screen()->availableGeometry())) {
            FormCompass->move(*place);
        }
        ShowCompassTexts();
        ShowCompassTarget();
        ShowCompassHeading();
    }
    FormCompass->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    FormCompass->show();
    if (activate) {
        FormCompass->raise();
        FormCompass->activateWindow();
    }
    MenuCompass->setChecked(true);
}

void TForm1::MenuCompassClick()
{
    if (!MenuCompass->isChecked()) {
        if (FormCompass)
            FormCompass->close();
        return;
    }
    // Written before the window shows: where it lands is known only when it closes or at exit.
    SaveCompassSetting(true);
    ShowCompass(true);
}

void TForm1::FormCompassClosed()
{
    MenuCompass->setChecked(false);
    if (!ShutDownDone)
        SaveCompassSetting(false);
}

void TForm1::SaveCompassSetting(bool shown)
{
    TCompassSetting setting;
    setting.Shown = shown;
    // Before the window manager has placed it, the window has no place worth keeping.
    if (FormCompass && FormCompass->isVisible()) {
        const QPoint place = FormCompass->pos();
        setting.Bounds = TWindowBounds{place.x(), place.y(), FormCompass->width(), FormCompass->height()};
    }
    WriteCompassSetting(ReadbackSettingFile, setting);
}

void TForm1::ShowCompassTarget()
{
    if (FormCompass)
        FormCompass->Compass->SetTarget(CompassTargetOf(LCDAzi->Value()));
}

void TForm1::CompassAzimuthChosen(int degrees)
{
    // As the spin button writes it: the readout, then the box, whose change sends it in AUTO.
    LCDAzi->SetValue(std::to_string(degrees));
    EditAzimut->setText(QString::fromStdString(LCDAzi->Value()));
}
