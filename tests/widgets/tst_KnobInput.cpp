// SPDX-License-Identifier: MIT
#include "widgets/Knob.h"

#include <QApplication>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <climits>

namespace {

void move(Knob &knob, const QPointF &pos, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent event(QEvent::MouseMove, pos, knob.mapToGlobal(pos), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&knob, &event);
}

void wheel(Knob &knob, const QPoint &angleDelta)
{
    const QPointF pos(knob.width() / 2.0, knob.height() / 2.0);
    QWheelEvent event(pos, knob.mapToGlobal(pos), QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&knob, &event);
}

void button(Knob &knob, QEvent::Type type, const QPointF &pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, pos, knob.mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&knob, &event);
}

void doubleClick(Knob &knob, const QPointF &pos)
{
    QMouseEvent event(QEvent::MouseButtonDblClick, pos, knob.mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&knob, &event);
}

// A knob as the panels configure one, painted once so that its text rectangle is known.
struct PaintedKnob {
    explicit PaintedKnob(int minimum, int maximum, int value, int displayOffset = 0)
    {
        knob.resize(120, 120);
        knob.minimum = minimum;
        knob.maximum = maximum;
        knob.value = value;
        knob.displayOffset = displayOffset;
        knob.show();
        knob.grab();
    }
    Knob knob;
};

QList<int> emitted(const QSignalSpy &spy)
{
    QList<int> values;
    for (const QList<QVariant> &args : spy) {
        values.append(args.at(0).toInt());
    }
    return values;
}

} // namespace

class KnobInputTest : public QObject
{
    Q_OBJECT

private slots:
    void freshKnob();
    void setValueClampsAndAlwaysEmits_data();
    void setValueClampsAndAlwaysEmits();
    void displayTextWithOffset_data();
    void displayTextWithOffset();

    void wheelStepsOncePerEvent_data();
    void wheelStepsOncePerEvent();

    void dragStepsOncePerAxis();
    void dragRemembersWhereThePreviousDragEnded();
    void dragRoundsHalfAwayFromZero();
    void dragStaysWithinRange();
    void dragNeedsTheLeftButton_data();
    void dragNeedsTheLeftButton();

    void ctrlClickResetsWithAnyButton_data();
    void ctrlClickResetsWithAnyButton();
    void plainClickDoesNothing();

    void doubleClickOnTextOpensEditor();
    void doubleClickOffTextResets();
    void doubleClickWithoutTextResets();

    void editorAppliesTypedText_data();
    void editorAppliesTypedText();
    void editorLossOfFocusFinishes();
};

void KnobInputTest::freshKnob()
{
    Knob knob;
    QCOMPARE(knob.value, -80);
    QCOMPARE(knob.minimum, -80);
    QCOMPARE(knob.maximum, 6);
    QCOMPARE(knob.displayText(), QStringLiteral("-80dB"));
    QVERIFY(knob.textRect.isNull());
    QCOMPARE(knob.lastX, 0);
    QCOMPARE(knob.lastY, 0);
    QVERIFY(knob.editor);
    QCOMPARE(knob.editor->parent(), &knob);
    QVERIFY(knob.editor->isHidden());
    QVERIFY(!knob.editor->validator());

    // The panels connect the signal alone; the editor's slot follows it among the knob's own meta-methods.
    const QMetaObject *meta = knob.metaObject();
    QCOMPARE(meta->methodCount() - meta->methodOffset(), 2);
    QCOMPARE(meta->method(meta->methodOffset()).methodSignature(), QByteArray("valueChangedSig(int)"));
    QCOMPARE(meta->method(meta->methodOffset()).methodType(), QMetaMethod::Signal);
    QCOMPARE(meta->method(meta->methodOffset() + 1).methodSignature(), QByteArray("finishEdit()"));
    QCOMPARE(meta->method(meta->methodOffset() + 1).access(), QMetaMethod::Private);
}

void KnobInputTest::setValueClampsAndAlwaysEmits_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");
    QTest::newRow("above maximum") << 0 << 56 << 0 << 100 << 56;
    QTest::newRow("below minimum") << -80 << 6 << 0 << -200 << -80;
    QTest::newRow("int extremes high") << -80 << 6 << 0 << INT_MAX << 6;
    QTest::newRow("int extremes low") << -80 << 6 << 0 << INT_MIN << -80;
    QTest::newRow("inside") << 0 << 42 << 0 << 17 << 17;
    QTest::newRow("unchanged") << 0 << 42 << 17 << 17 << 17;
    QTest::newRow("at bound") << -80 << 6 << 6 << 6 << 6;
}

void KnobInputTest::setValueClampsAndAlwaysEmits()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, start);
    QFETCH(int, requested);
    QFETCH(int, expected);
    Knob knob;
    knob.minimum = minimum;
    knob.maximum = maximum;
    knob.value = start;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    knob.setValue(requested);
    QCOMPARE(knob.value, expected);
    QCOMPARE(emitted(spy), QList<int>{expected});
}

void KnobInputTest::displayTextWithOffset_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("edited");
    QTest::newRow("zero hides the offset") << 0 << 9 << "0dB" << "9";
    QTest::newRow("one with offset") << 1 << 9 << "10dB" << "10";
    QTest::newRow("top of a 0..56 gain") << 56 << 9 << "65dB" << "65";
    QTest::newRow("negative level") << -80 << 0 << "-80dB" << "-80";
    QTest::newRow("zero level") << 0 << 0 << "0dB" << "0";
}

void KnobInputTest::displayTextWithOffset()
{
    QFETCH(int, value);
    QFETCH(int, offset);
    QFETCH(QString, shown);
    QFETCH(QString, edited);
    Knob knob;
    knob.minimum = -80;
    knob.maximum = 56;
    knob.value = value;
    knob.displayOffset = offset;
    QCOMPARE(knob.displayText(), shown);
    QCOMPARE(knob.editorText(), edited);

    knob.suffix = QString();
    QCOMPARE(knob.displayText(), shown.chopped(2));
}

void KnobInputTest::wheelStepsOncePerEvent_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QPoint>("angleDelta");
    QTest::addColumn<int>("expected");
    QTest::newRow("one notch up") << 0 << QPoint(0, 120) << 1;
    QTest::newRow("ten notches up in one event") << 0 << QPoint(0, 1200) << 1;
    QTest::newRow("fine delta up") << 0 << QPoint(0, 1) << 1;
    QTest::newRow("one notch down") << 0 << QPoint(0, -120) << -1;
    QTest::newRow("purely horizontal steps down") << 0 << QPoint(120, 0) << -1;
    QTest::newRow("horizontal left steps down") << 0 << QPoint(-120, 0) << -1;
    QTest::newRow("up at maximum") << 6 << QPoint(0, 120) << 6;
    QTest::newRow("down at minimum") << -80 << QPoint(0, -120) << -80;
    QTest::newRow("horizontal at minimum") << -80 << QPoint(120, 0) << -80;
}

void KnobInputTest::wheelStepsOncePerEvent()
{
    QFETCH(int, start);
    QFETCH(QPoint, angleDelta);
    QFETCH(int, expected);
    Knob knob;
    knob.resize(120, 120);
    knob.value = start;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    wheel(knob, angleDelta);
    QCOMPARE(knob.value, expected);
    QCOMPARE(emitted(spy), QList<int>{expected});
}

void KnobInputTest::dragStepsOncePerAxis()
{
    Knob knob;
    knob.minimum = 0;
    knob.maximum = 56;
    knob.value = 20;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);

    move(knob, {50, 50}); // from (0, 0): down and right cancel out
    move(knob, {60, 40}); // up and right
    move(knob, {50, 50}); // down and left
    move(knob, {90, 90}); // down and right, however far
    move(knob, {80, 10}); // up and left
    move(knob, {80, 10}); // no movement
    move(knob, {80, 0});  // up only
    move(knob, {70, 0});  // left only
    QCOMPARE(emitted(spy), (QList<int>{20, 22, 20, 20, 20, 20, 21, 20}));
    QCOMPARE(knob.lastX, 70);
    QCOMPARE(knob.lastY, 0);
}

void KnobInputTest::dragRemembersWhereThePreviousDragEnded()
{
    Knob knob;
    knob.resize(120, 120);
    knob.minimum = 0;
    knob.maximum = 56;
    knob.value = 20;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);

    // The very first drag compares against (0, 0).
    move(knob, {5, 0});
    QCOMPARE(knob.value, 21);

    move(knob, {30, 30});
    button(knob, QEvent::MouseButtonRelease, {30, 30});
    const int afterFirstDrag = knob.value;

    // The press of the next drag records nothing; its first move is compared with (30, 30).
    button(knob, QEvent::MouseButtonPress, {30, 20});
    QCOMPARE(knob.lastX, 30);
    QCOMPARE(knob.lastY, 30);
    move(knob, {30, 20});
    QCOMPARE(knob.value, afterFirstDrag + 1);
    QCOMPARE(spy.size(), 3);
}

void KnobInputTest::dragRoundsHalfAwayFromZero()
{
    Knob knob;
    knob.minimum = 0;
    knob.maximum = 56;
    knob.value = 20;

    move(knob, {10.5, 20.5});
    QCOMPARE(knob.lastX, 11);
    QCOMPARE(knob.lastY, 21);
    move(knob, {10.6, 21.4}); // rounds to the same point: no step
    QCOMPARE(knob.value, 20);
    move(knob, {-2.5, -0.5});
    QCOMPARE(knob.lastX, -3);
    QCOMPARE(knob.lastY, -1);
    move(knob, {-2.6, -1.4});
    QCOMPARE(knob.lastX, -3);
    QCOMPARE(knob.lastY, -1);
    QCOMPARE(knob.value, 20);
}

void KnobInputTest::dragStaysWithinRange()
{
    Knob knob;
    knob.minimum = 0;
    knob.maximum = 1;
    knob.value = 1;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    move(knob, {10, -10}); // up and right at the maximum
    move(knob, {0, 10});   // down and left: the first step reaches the minimum
    move(knob, {-10, 20}); // further down and left at the minimum
    QCOMPARE(emitted(spy), (QList<int>{1, 0, 0}));
}

void KnobInputTest::dragNeedsTheLeftButton_data()
{
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<bool>("handled");
    QTest::newRow("left") << Qt::MouseButtons(Qt::LeftButton) << true;
    QTest::newRow("left and right") << (Qt::LeftButton | Qt::RightButton) << true;
    QTest::newRow("right") << Qt::MouseButtons(Qt::RightButton) << false;
    QTest::newRow("middle") << Qt::MouseButtons(Qt::MiddleButton) << false;
}

void KnobInputTest::dragNeedsTheLeftButton()
{
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(bool, handled);
    Knob knob;
    knob.value = -40;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    move(knob, {40, -20}, buttons);
    move(knob, {80, -40}, buttons);
    if (handled) {
        QCOMPARE(emitted(spy), (QList<int>{-38, -36}));
        QCOMPARE(knob.lastX, 80);
        QCOMPARE(knob.lastY, -40);
    } else {
        QCOMPARE(spy.size(), 0);
        QCOMPARE(knob.value, -40);
        QCOMPARE(knob.lastX, 0);
        QCOMPARE(knob.lastY, 0);
    }
}

void KnobInputTest::ctrlClickResetsWithAnyButton_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void KnobInputTest::ctrlClickResetsWithAnyButton()
{
    QFETCH(Qt::MouseButton, button);
    Knob knob;
    knob.resize(120, 120);
    knob.minimum = 0;
    knob.maximum = 42;
    knob.value = 30;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    QTest::mouseClick(&knob, button, Qt::ControlModifier, QPoint(60, 60));
    QCOMPARE(knob.value, 0);
    QCOMPARE(emitted(spy), QList<int>{0});
    QCOMPARE(knob.lastX, 0); // a press never records the position
    QCOMPARE(knob.lastY, 0);
}

void KnobInputTest::plainClickDoesNothing()
{
    Knob knob;
    knob.resize(120, 120);
    knob.value = -20;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    QTest::mouseClick(&knob, Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
    QTest::mouseClick(&knob, Qt::RightButton, Qt::ShiftModifier, QPoint(60, 60));
    QCOMPARE(knob.value, -20);
    QCOMPARE(spy.size(), 0);
}

void KnobInputTest::doubleClickOnTextOpensEditor()
{
    PaintedKnob painted(0, 56, 0, 9);
    Knob &knob = painted.knob;
    QVERIFY(!knob.textRect.isNull());
    QSignalSpy spy(&knob, &Knob::valueChangedSig);

    QTest::mouseDClick(&knob, Qt::LeftButton, Qt::NoModifier, knob.textRect.center());
    QCOMPARE(spy.size(), 0);
    QCOMPARE(knob.value, 0);
    QVERIFY(knob.editor->isVisible());
    QCOMPARE(knob.editor->text(), QStringLiteral("9"));
    QCOMPARE(knob.editor->selectedText(), QStringLiteral("9"));
    QCOMPARE(knob.editor->geometry(), Knob::editorRectFor(knob.textRect));
}

void KnobInputTest::doubleClickOffTextResets()
{
    PaintedKnob painted(-80, 6, -12);
    Knob &knob = painted.knob;
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    // The text rectangle's own corner is inside; one pixel beyond it is not.
    doubleClick(knob, QPointF(knob.textRect.right() + 1, knob.textRect.center().y()));
    QCOMPARE(knob.value, -80);
    QCOMPARE(emitted(spy), QList<int>{-80});
    QVERIFY(knob.editor->isHidden());

    knob.value = -12;
    doubleClick(knob, QPointF(knob.textRect.right() + 0.4, knob.textRect.center().y()));
    QVERIFY(knob.editor->isVisible());
    QCOMPARE(knob.value, -12);
    QCOMPARE(spy.size(), 1);
}

void KnobInputTest::doubleClickWithoutTextResets()
{
    PaintedKnob painted(0, 42, 12);
    Knob &knob = painted.knob;
    knob.showText = false; // the text rectangle of the last paint is still there
    QSignalSpy spy(&knob, &Knob::valueChangedSig);
    QTest::mouseDClick(&knob, Qt::LeftButton, Qt::NoModifier, knob.textRect.center());
    QCOMPARE(knob.value, 0);
    QCOMPARE(emitted(spy), QList<int>{0});
    QVERIFY(knob.editor->isHidden());
}

void KnobInputTest::editorAppliesTypedText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    // A 0..56 gain knob shown with offset 9, at value 5 when the editor opens.
    QTest::newRow("offset only") << "9" << 0;
    QTest::newRow("with suffix") << "9dB" << 0;
    QTest::newRow("inside") << "20" << 11;
    QTest::newRow("suffix is case-sensitive") << "20DB" << 5;
    QTest::newRow("letters") << "loud" << 5;
    QTest::newRow("empty") << "" << 5;
    QTest::newRow("suffix alone") << "dB" << 5;
    QTest::newRow("beyond int") << "99999999999" << 5;
    QTest::newRow("int maximum") << "2147483647" << 56;
    QTest::newRow("int minimum") << "-2147483648" << 0;
    QTest::newRow("below range") << "3" << 0;
    QTest::newRow("above range") << "100dB" << 56;
}

void KnobInputTest::editorAppliesTypedText()
{
    QFETCH(QString, typed);
    QFETCH(int, expected);
    PaintedKnob painted(0, 56, 5, 9);
    Knob &knob = painted.knob;
    QVERIFY(QTest::qWaitForWindowExposed(&knob));
    knob.activateWindow();
    QTest::mouseDClick(&knob, Qt::LeftButton, Qt::NoModifier, knob.textRect.center());
    QCOMPARE(knob.editor->text(), QStringLiteral("14"));
    QTRY_VERIFY(knob.editor->hasFocus()); // hiding a focused editor must not finish the edit twice
    QSignalSpy spy(&knob, &Knob::valueChangedSig);

    knob.editor->setText(typed);
    QTest::keyClick(knob.editor, Qt::Key_Return);
    QVERIFY(knob.editor->isHidden());
    QCOMPARE(knob.value, expected);
    QCOMPARE(emitted(spy), QList<int>{expected});
}

void KnobInputTest::editorLossOfFocusFinishes()
{
    QWidget window;
    Knob *knob = new Knob(&window);
    knob->setGeometry(0, 0, 120, 120);
    QLineEdit *other = new QLineEdit(&window);
    other->setGeometry(0, 130, 120, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    knob->grab();
    QTest::mouseDClick(knob, Qt::LeftButton, Qt::NoModifier, knob->textRect.center());
    QTRY_VERIFY(knob->editor->hasFocus());
    QSignalSpy spy(knob, &Knob::valueChangedSig);

    knob->editor->setText(QStringLiteral("-3"));
    other->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(knob->editor->isHidden());
    QCOMPARE(knob->value, -3);
    QCOMPARE(emitted(spy), QList<int>{-3});
}

QTEST_MAIN(KnobInputTest)
#include "tst_KnobInput.moc"
