// TReadOnlyValueAccessible: a widget that shows a value of 0 to 359 a screen reader may read, never set;
// a control that takes a value from a screen reader builds on it with its own role and setter.
#pragma once

#include <QAccessibleWidget>

class TReadOnlyValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TReadOnlyValueAccessible(QWidget* widget, QAccessible::Role role = QAccessible::StaticText);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    QVariant currentValue() const override;
    // The widget only shows: its owner writes the value.
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

protected:
    // The value shown; a null variant when there is none.
    virtual QVariant ShownValue() const = 0;
};
