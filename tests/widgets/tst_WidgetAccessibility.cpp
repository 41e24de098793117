// SPDX-License-Identifier: MIT
// What a screen reader is told about the knob and the button: role, name,
// value or state and description, following every input path.
#include "widgets/Button.h"
#include "widgets/Knob.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>
#include <QWheelEvent>

#include <memory>

namespace {

void drag(Knob &knob, const QPointF &pos)
{
    QMouseEvent event(QEvent::MouseMove, pos, knob.mapToGlobal(pos), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&knob, &event);
}

void wheel(Knob &knob, int delta)
{
    const QPointF pos(60, 60);
    QWheelEvent event(pos, knob.mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&knob, &event);
}

QAccessibleValueInterface *valueOf(QAccessibleInterface *iface)
{
    return iface ? iface->valueInterface() : nullptr;
}

} // namespace

class WidgetAccessibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void knobIsADialWithItsRange();
    void knobValueTextFollowsTheShownNumber_data();
    void knobValueTextFollowsTheShownNumber();
    void knobDescriptionJoinsNameAndValue();
    void knobValueFollowsSetValue();
    void knobValueFollowsDragsWheelAndReset();
    void knobValueFollowsTheEditor();
    void knobSetFromTheAccessibilityLayer();

    void buttonIsCheckable();
    void buttonNameFallsBackToItsText();
    void buttonStateFollowsSetStatusAndPresses();
    void buttonActionsActLikeAPress();
    void buttonStateWordsAreTranslated();
};

void WidgetAccessibilityTest::knobIsADialWithItsRange()
{
    Knob knob;
    knob.minimum = 0;
    knob.maximum = 56;
    knob.value = 12;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&knob);
    QVERIFY(iface);
    QCOMPARE(iface->role(), QAccessible::Dial);
    QCOMPARE(iface->object(), &knob);
    QAccessibleValueInterface *value = valueOf(iface);
    QVERIFY(value);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 56);
    QCOMPARE(value->minimumStepSize().toInt(), 1);
    QCOMPARE(value->currentValue().toInt(), 12);
}

void WidgetAccessibilityTest::knobValueTextFollowsTheShownNumber_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("displayOffset");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected");
    QTest::newRow("level") << -12 << 0 << "dB" << "-12 dB";
    QTest::newRow("offset") << 1 << 9 << "dB" << "10 dB";
    QTest::newRow("offset at zero") << 0 << 9 << "dB" << "0 dB";
    QTest::newRow("no suffix") << 5 << 0 << "" << "5";
    QTest::newRow("other suffix") << 30 << 0 << "%" << "30 %";
}

void WidgetAccessibilityTest::knobValueTextFollowsTheShownNumber()
{
    QFETCH(int, value);
    QFETCH(int, displayOffset);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    Knob knob;
    knob.minimum = -80;
    knob.maximum = 56;
    knob.displayOffset = displayOffset;
    knob.suffix = suffix;
    knob.value = value;
    QCOMPARE(QAccessible::queryAccessibleInterface(&knob)->text(QAccessible::Value), expected);
    // The painted text is left as it was: no space before the unit.
    QCOMPARE(knob.displayText(), expected.remove(QLatin1Char(' ')));
}

void WidgetAccessibilityTest::knobDescriptionJoinsNameAndValue()
{
    Knob knob;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&knob);
    QCOMPARE(iface->text(QAccessible::Name), QString());
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("-80 dB"));
    knob.setAccessibleName(QStringLiteral("Headphone volume"));
    knob.setValue(-12);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Headphone volume"));
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("Headphone volume, -12 dB"));
    // An explicit description wins.
    knob.setAccessibleDescription(QStringLiteral("custom"));
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("custom"));
}

void WidgetAccessibilityTest::knobValueFollowsSetValue()
{
    Knob knob;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&knob);
    knob.setValue(-20);
    QCOMPARE(valueOf(iface)->currentValue().toInt(), -20);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("-20 dB"));
    knob.setValue(100); // clamped
    QCOMPARE(valueOf(iface)->currentValue().toInt(), 6);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("6 dB"));
    knob.setValue(-80);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("-80 dB"));
    QCOMPARE(spy.count(), 3);
}

void WidgetAccessibilityTest::knobValueFollowsDragsWheelAndReset()
{
    Knob knob;
    knob.resize(120, 120);
    knob.minimum = 0;
    knob.maximum = 56;
    knob.value = 10;
    knob.lastX = 50;
    knob.lastY = 50;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&knob);
    drag(knob, QPointF(50, 40)); // up: +1
    QCOMPARE(valueOf(iface)->currentValue().toInt(), 11);
    drag(knob, QPointF(60, 30)); // up and right: +2
    QCOMPARE(valueOf(iface)->currentValue().toInt(), 13);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("13 dB"));
    drag(knob, QPointF(60, 45)); // down: -1
    wheel(knob, 120);
    wheel(knob, 120);
    QCOMPARE(valueOf(iface)->currentValue().toInt(), 14);
    // Ctrl+click resets to the minimum.
    QTest::mousePress(&knob, Qt::RightButton, Qt::ControlModifier, QPoint(60, 60));
    QCOMPARE(valueOf(iface)->currentValue().toInt(), 0);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("0 dB"));
}

void WidgetAccessibilityTest::knobValueFollowsTheEditor()
{
    Knob knob;
    knob.resize(120, 120);
    knob.show();
    knob.grab(); // lays out the value text
    QTest::mouseDClick(&knob, Qt::LeftButton, Qt::NoModifier, knob.textRect.center());
    QVERIFY(knob.editor->isVisible());
    knob.editor->setText(QStringLiteral("-33"));
    QTest::keyClick(knob.editor, Qt::Key_Return);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&knob);
    QCOMPARE(valueOf(iface)->currentValue().toInt(), -33);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("-33 dB"));
}

void WidgetAccessibilityTest::knobSetFromTheAccessibilityLayer()
{
    Knob knob;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    QAccessibleValueInterface *value = valueOf(QAccessible::queryAccessibleInterface(&knob));
    value->setCurrentValue(-40);
    value->setCurrentValue(50);
    QCOMPARE(knob.value, 6);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), -40);
    QCOMPARE(spy.at(1).at(0).toInt(), 6);
}

void WidgetAccessibilityTest::buttonIsCheckable()
{
    Button button(QStringLiteral("48V"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&button);
    QVERIFY(iface);
    // Read over AT-SPI, only a check box says "not checked" before it was ever on.
    QCOMPARE(iface->role(), QAccessible::CheckBox);
    QVERIFY(iface->state().checkable);
    QVERIFY(!iface->state().checked);
    // The QAbstractButton checkable state stays untouched: the button keeps its own.
    QVERIFY(!button.isCheckable());
}

void WidgetAccessibilityTest::buttonNameFallsBackToItsText()
{
    Button button(QStringLiteral("MUTE"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&button);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("MUTE"));
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("MUTE, off"));
    button.setAccessibleName(QStringLiteral("48V phantom power"));
    button.setStatus(true);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("48V phantom power"));
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("on"));
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("48V phantom power, on"));
}

void WidgetAccessibilityTest::buttonStateFollowsSetStatusAndPresses()
{
    Button button(QStringLiteral("DIM"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&button);
    button.setStatus(true);
    QVERIFY(iface->state().checked);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("on"));
    QTest::mousePress(&button, Qt::LeftButton);
    QVERIFY(!iface->state().checked);
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("off"));
    QTest::mousePress(&button, Qt::MiddleButton);
    QVERIFY(iface->state().checked);
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("DIM, on"));
}

void WidgetAccessibilityTest::buttonActionsActLikeAPress()
{
    Button button(QStringLiteral("DIRECT"));
    QSignalSpy spy(&button, qOverload<bool>(&Button::pressed));
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&button);
    QAccessibleActionInterface *actions = iface->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(button.status);
    QVERIFY(button.glow->isEnabled());
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!button.status);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(spy.at(1).at(0).toBool(), false);
    QCOMPARE(clicked.count(), 0);
}

void WidgetAccessibilityTest::buttonStateWordsAreTranslated()
{
    // A translator that marks every text of the Button context.
    class Marker : public QTranslator
    {
    public:
        QString translate(const char *context, const char *source, const char *, int) const override
        {
            return QLatin1String(context) == QLatin1String("Button")
                       ? QStringLiteral("<%1>").arg(QLatin1String(source))
                       : QString();
        }
        bool isEmpty() const override { return false; }
    } marker;
    QCoreApplication::installTranslator(&marker);
    Button button(QStringLiteral("48V"));
    const QString off = QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Description);
    button.setStatus(true);
    const QString on = QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Description);
    QCoreApplication::removeTranslator(&marker);
    QCOMPARE(off, QStringLiteral("48V, <off>"));
    QCOMPARE(on, QStringLiteral("48V, <on>"));
}

QTEST_MAIN(WidgetAccessibilityTest)
#include "tst_WidgetAccessibility.moc"
