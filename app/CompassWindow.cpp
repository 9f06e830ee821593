// TCompassWindow: a resizable frame round the dial, which fills it.
#include "app/CompassWindow.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "widgets/Compass.h"

TCompassWindow::TCompassWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Compass = new TCompass(this);
    layout->addWidget(Compass);
    setFocusProxy(Compass);
    resize(Compass->sizeHint());
}

void TCompassWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit Closed();
}
