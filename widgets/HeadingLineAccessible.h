// THeadingLineAccessible: the heading line as a screen reader sees it, its degrees as the value.
#pragma once

#include <QAccessibleWidget>

class THeadingLine;

class THeadingLineAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit THeadingLineAccessible(THeadingLine* line);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    // The degrees shown; nothing while the heading is unknown.
    QVariant currentValue() const override;
    // The line only shows: the controller writes the value.
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;
};
