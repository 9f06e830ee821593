// TFocusHistory: where the keyboard focus was before it came to one of the program's windows.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>

class TFocusHistory : public QObject {
    Q_OBJECT
public:
    explicit TFocusHistory(QObject* parent = nullptr);

    // The window the focus came from when `own` is being activated; null for another program.
    QWindow* CameFrom(const QWindow* own) const;

private:
    void FocusWindowChanged(QWindow* focusWindow);

    // The focus window before the latest change and after it; null while another program has focus.
    QPointer<QWindow> PreviousFocusWindow;
    QPointer<QWindow> CurrentFocusWindow;
};
