// SPDX-License-Identifier: MIT
#include "widgets/KnobAccessible.h"

#include "widgets/Knob.h"

KnobAccessible::KnobAccessible(Knob *knob) : QAccessibleWidget(knob, QAccessible::Dial) {}

void KnobAccessible::installFactory()
{
    static const bool installed = [] {
        QAccessible::installFactory(&KnobAccessible::create);
        return true;
    }();
    Q_UNUSED(installed);
}

QAccessibleInterface *KnobAccessible::create(const QString &key, QObject *object)
{
    if (key == QLatin1String("Knob") && object && object->isWidgetType())
        return new KnobAccessible(static_cast<Knob *>(object));
    return nullptr;
}

Knob *KnobAccessible::knob() const
{
    return static_cast<Knob *>(widget());
}

QString KnobAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Value:
        return knob()->accessibleValueText();
    case QAccessible::Description: {
        if (!knob()->accessibleDescription().isEmpty())
            return knob()->accessibleDescription();
        const QString name = text(QAccessible::Name);
        const QString value = knob()->accessibleValueText();
        return name.isEmpty() ? value : name + QStringLiteral(", ") + value;
    }
    default:
        return QAccessibleWidget::text(t);
    }
}

void *KnobAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
}

QVariant KnobAccessible::currentValue() const
{
    return knob()->value;
}

void KnobAccessible::setCurrentValue(const QVariant &value)
{
    // The same path as a programmatic set: clamped, emitted, repainted.
    knob()->setValue(value.toInt());
}

QVariant KnobAccessible::maximumValue() const
{
    return knob()->maximum;
}

QVariant KnobAccessible::minimumValue() const
{
    return knob()->minimum;
}

QVariant KnobAccessible::minimumStepSize() const
{
    return 1;
}
