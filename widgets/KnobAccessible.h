// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class Knob;
class QObject;
class QString;

// What a screen reader sees of a Knob: a dial whose value is the text the
// knob shows ("-12 dB") and whose description joins the name and that value
// ("Headphone volume, -12 dB").
class KnobAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit KnobAccessible(Knob *knob);

    // Registers the factory with QAccessible; later calls do nothing.
    static void installFactory();

    QString text(QAccessible::Text t) const override;
    void *interface_cast(QAccessible::InterfaceType t) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    Knob *knob() const;
    static QAccessibleInterface *create(const QString &key, QObject *object);
};
