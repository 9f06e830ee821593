// TCompassAccessible: the compass as a screen reader sees it, a slider whose value is the target azimuth.
#pragma once

#include <QAccessibleWidget>

class TCompass;

class TCompassAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TCompassAccessible(TCompass* compass);

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text kind) const override;

    // The target shown; nothing while the readout holds no azimuth.
    QVariant currentValue() const override;
    // A screen reader sets the azimuth as a click would: rounded to whole degrees, kept within 0..359.
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;
};
