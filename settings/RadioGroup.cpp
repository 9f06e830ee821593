// TRadioGroup: the item buttons, the selected index and when Click runs.
#include "settings/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent)
    , Group(new QButtonGroup(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 2, 4, 2);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        Group->addButton(button, i);
        layout->addWidget(button);
        Buttons.push_back(button);
        connect(button, &QRadioButton::toggled, this,
                [this, i](bool checked) { ButtonToggled(i, checked); });
    }
}

QString TRadioGroup::ItemText(int index) const
{
    const QRadioButton* button = Button(index);
    return button ? button->text() : QString();
}

void TRadioGroup::SetItemText(int index, const QString& text)
{
    if (QRadioButton* button = Button(index))
        button->setText(text);
}

QRadioButton* TRadioGroup::Button(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return Buttons[static_cast<std::size_t>(index)];
}

void TRadioGroup::SetItemIndex(int index)
{
    index = std::clamp(index, -1, Count() - 1);
    if (index == Index)
        return;
    if (index < 0) {
        // An exclusive group refuses to uncheck its last checked button.
        Updating = true;
        Group->setExclusive(false);
        Button(Index)->setChecked(false);
        Group->setExclusive(true);
        Updating = false;
        Index = -1;
        return;
    }
    Updating = true;
    Button(index)->setChecked(true);
    Updating = false;
    Index = index;
    emit Click();
}

void TRadioGroup::ButtonToggled(int index, bool checked)
{
    if (Updating || !checked || index == Index)
        return;
    Index = index;
    emit Click();
}
