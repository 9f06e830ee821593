// TRadioGroup: a captioned box of radio buttons with one selected item index, -1 for none.
#pragma once

#include <QGroupBox>
#include <QStringList>

#include <vector>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const { return Index; }
    // An index past the last item selects the last one; below 0 clears the selection.
    // Click runs only when an item becomes selected, never when the selection is cleared.
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(Buttons.size()); }
    QString ItemText(int index) const;
    void SetItemText(int index, const QString& text);
    QRadioButton* Button(int index) const;

signals:
    // The selected item changed by a user action or by SetItemIndex.
    void Click();

private:
    void ButtonToggled(int index, bool checked);

    std::vector<QRadioButton*> Buttons;
    QButtonGroup* Group = nullptr;
    int Index = -1;
    bool Updating = false;
};
