// TCompassWindow: the compass in a window of its own, which the user opens from the main window's context menu.
#pragma once

#include <QWidget>

class TCompass;

class TCompassWindow : public QWidget {
    Q_OBJECT
public:
    explicit TCompassWindow(QWidget* parent = nullptr);

    TCompass* Compass = nullptr;

signals:
    // The user closed the window, by its close box or the menu entry.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};
