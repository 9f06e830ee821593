// Modal message boxes on Qt, seen first by an optional observer.
#include "platform/MessageBoxes.h"

#include <QMessageBox>

namespace {
TMessageBoxObserver& messageBoxObserver()
{
    static TMessageBoxObserver observer;
    return observer;
}

QMessageBox::Icon iconFor(TMessageKind kind)
{
    switch (kind) {
    case TMessageKind::Information:
        return QMessageBox::Information;
    case TMessageKind::Warning:
        return QMessageBox::Warning;
    case TMessageKind::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void ShowMessageBox(QWidget* parent, TMessageKind kind, const std::string& title,
                    const std::string& text)
{
    if (messageBoxObserver() && messageBoxObserver()(kind, title, text))
        return;
    QMessageBox box(iconFor(kind), QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, parent);
    box.exec();  // a nested event loop: timers and feed values go on meanwhile
}

void SetMessageBoxObserver(TMessageBoxObserver observer)
{
    messageBoxObserver() = std::move(observer);
}
