// TLCD99Accessible: what a screen reader learns of the readout: its name and the text it shows as its value.
#pragma once

#include <QAccessibleWidget>

class TLCD99;

class TLCD99Accessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TLCD99Accessible(TLCD99* readout);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    // The shown text, which a reader takes as a number where it is one ("235", "12.5").
    QVariant currentValue() const override;
    // The readout only shows: its owner writes the value.
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    QString ShownText() const;
};
