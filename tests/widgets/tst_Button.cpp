// SPDX-License-Identifier: MIT
#include "widgets/Button.h"

#include <QApplication>
#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString expectedOffDefault = QStringLiteral(
    "QPushButton {   color: #00ff7f;   background-color: #1b1e23;   border-radius: 3px;}"
    "QPushButton:pressed {   background-color: #1b1e23;}");
const QString expectedOnDefault = QStringLiteral(
    "QPushButton {   color: #000000;   background-color: #00ff7f;   border-radius: 3px;}"
    "QPushButton:pressed {   background-color: #00ff7f;}");

// Styled the way every panel styles its buttons.
void applyPanelStyle(Button &button, const QString &accent)
{
    button.offTextColor = QStringLiteral("#8a95aa");
    button.onBackground = QStringLiteral("#1b1e23");
    button.offBackground = QStringLiteral("#1b1e23");
    button.cornerRadius = 3;
    button.onTextColor = accent;
    button.glowColor = accent;
    button.setMinimumWidth(80);
    button.setMaximumWidth(80);
    button.updateStyle();
}

void sendMouse(Button &button, QEvent::Type type, Qt::MouseButton which)
{
    const QPointF pos(button.width() / 2.0, button.height() / 2.0);
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(which);
    QMouseEvent event(type, pos, button.mapToGlobal(pos), which, held, Qt::NoModifier);
    QApplication::sendEvent(&button, &event);
}

QList<bool> emitted(const QSignalSpy &spy)
{
    QList<bool> states;
    for (const QList<QVariant> &args : spy) {
        states.append(args.at(0).toBool());
    }
    return states;
}

// Watches the signals a QPushButton would normally emit, which this button must not.
struct InheritedSignals {
    explicit InheritedSignals(Button &button)
        : clicked(&button, &QAbstractButton::clicked), toggled(&button, &QAbstractButton::toggled),
          pressed(&button, &QAbstractButton::pressed), released(&button, &QAbstractButton::released)
    {
    }
    int total() const { return int(clicked.size() + toggled.size() + pressed.size() + released.size()); }
    QSignalSpy clicked;
    QSignalSpy toggled;
    QSignalSpy pressed;
    QSignalSpy released;
};

} // namespace

class ButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void freshButton();
    void glowBlurFollowsTheWidthAtConstruction();
    void defaultStyles();
    void panelStyles_data();
    void panelStyles();
    void styleUsesTheCornerRadius();
    void panelBackgroundStaysDark();

    void setStatusAlwaysEmits();
    void anyMouseButtonTogglesOnce_data();
    void anyMouseButtonTogglesOnce();
    void doubleClickTogglesTwice();
    void keyboardDoesNotToggle();
};

void ButtonTest::freshButton()
{
    Button button(QStringLiteral("48V"));
    QCOMPARE(button.text(), QStringLiteral("48V"));
    QVERIFY(button.styleSheet().isEmpty());
    QVERIFY(!button.status);
    QVERIFY(!button.isCheckable());
    QCOMPARE(button.cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(button.glow);
    QCOMPARE(button.glow->parent(), &button);
    QCOMPARE(button.graphicsEffect(), button.glow);
    QVERIFY(!button.glow->isEnabled());
    QCOMPARE(button.glow->offset(), QPointF(0, 0));
    QCOMPARE(button.glow->color(), QColor(QStringLiteral("#00ff7f")));
}

void ButtonTest::glowBlurFollowsTheWidthAtConstruction()
{
    // The panels create their buttons without a parent, so the blur comes from the default top-level width.
    Button parentless(QStringLiteral("DIM"));
    QCOMPARE(parentless.glow->blurRadius(), 0.01 * 640);

    QWidget panel;
    Button child(QStringLiteral("MUTE"), &panel);
    QCOMPARE(child.glow->blurRadius(), 0.01 * 100);
    parentless.resize(80, 40);
    parentless.updateStyle();
    QCOMPARE(parentless.glow->blurRadius(), 0.01 * 640);
}

void ButtonTest::defaultStyles()
{
    Button button(QStringLiteral("MIC"));
    button.updateStyle();
    QCOMPARE(button.styleSheet(), expectedOffDefault);
    QCOMPARE(button.styleSheetFor(false), expectedOffDefault);
    QVERIFY(!button.glow->isEnabled());

    button.setStatus(true);
    QCOMPARE(button.styleSheet(), expectedOnDefault);
    QCOMPARE(button.styleSheetFor(true), expectedOnDefault);
    QVERIFY(button.glow->isEnabled());
    QCOMPARE(button.glow->color(), QColor(QStringLiteral("#00ff7f")));

    button.setStatus(false);
    QCOMPARE(button.styleSheet(), expectedOffDefault);
    QVERIFY(!button.glow->isEnabled());
}

void ButtonTest::panelStyles_data()
{
    QTest::addColumn<QString>("accent");
    QTest::newRow("mic/instrument") << "#00ff7f";
    QTest::newRow("pad") << "#ff7f00";
    QTest::newRow("phantom") << "#ff1111";
    QTest::newRow("direct, mute, dim") << "#00FFFF";
}

void ButtonTest::panelStyles()
{
    QFETCH(QString, accent);
    Button button(QStringLiteral("20dB"));
    applyPanelStyle(button, accent);
    QCOMPARE(button.styleSheet(),
             QStringLiteral("QPushButton {   color: #8a95aa;   background-color: #1b1e23;   border-radius: 3px;}"
                            "QPushButton:pressed {   background-color: #1b1e23;}"));
    QVERIFY(!button.glow->isEnabled());

    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(button.status);
    QCOMPARE(button.styleSheet(),
             QStringLiteral("QPushButton {   color: %1;   background-color: #1b1e23;   border-radius: 3px;}"
                            "QPushButton:pressed {   background-color: #1b1e23;}")
                 .arg(accent));
    QVERIFY(button.glow->isEnabled());
    QCOMPARE(button.glow->color(), QColor::fromString(accent));
}

void ButtonTest::styleUsesTheCornerRadius()
{
    Button button(QStringLiteral("DIRECT"));
    button.cornerRadius = 12;
    button.glowColor = QStringLiteral("#ff1111");
    button.updateStyle();
    QVERIFY(button.styleSheet().contains(QStringLiteral("border-radius: 12px;")));
    // The colour is taken again from glowColor at every restyle.
    QCOMPARE(button.glow->color(), QColor(QStringLiteral("#ff1111")));
}

void ButtonTest::panelBackgroundStaysDark()
{
    Button button(QStringLiteral("48V"));
    button.resize(80, 40);
    applyPanelStyle(button, QStringLiteral("#ff1111"));
    const QColor dark(QStringLiteral("#1b1e23"));
    const QPoint insideEdge(6, 20);
    for (bool on : {false, true}) {
        button.setStatus(on);
        const QImage image = button.grab().toImage();
        const QColor pixel = image.pixelColor(insideEdge);
        QVERIFY2(pixel == dark, qPrintable(pixel.name()));
    }
}

void ButtonTest::setStatusAlwaysEmits()
{
    Button button(QStringLiteral("48V"));
    InheritedSignals inherited(button);
    QSignalSpy spy(&button, &Button::pressed);
    button.setStatus(true);
    button.setStatus(true);
    button.setStatus(false);
    button.setStatus(false);
    QCOMPARE(emitted(spy), (QList<bool>{true, true, false, false}));
    QCOMPARE(button.styleSheet(), expectedOffDefault);
    QCOMPARE(inherited.total(), 0);
}

void ButtonTest::anyMouseButtonTogglesOnce_data()
{
    QTest::addColumn<Qt::MouseButton>("which");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void ButtonTest::anyMouseButtonTogglesOnce()
{
    QFETCH(Qt::MouseButton, which);
    Button button(QStringLiteral("MIC"));
    button.resize(80, 30);
    button.updateStyle();
    InheritedSignals inherited(button);
    QSignalSpy spy(&button, &Button::pressed);

    sendMouse(button, QEvent::MouseButtonPress, which);
    QVERIFY(button.status);
    QVERIFY(!button.isDown());
    QVERIFY(button.glow->isEnabled());
    QCOMPARE(button.styleSheet(), expectedOnDefault);
    sendMouse(button, QEvent::MouseButtonRelease, which);
    QVERIFY(button.status);
    QCOMPARE(emitted(spy), QList<bool>{true});

    QTest::mouseClick(&button, which);
    QVERIFY(!button.status);
    QVERIFY(!button.glow->isEnabled());
    QCOMPARE(emitted(spy), (QList<bool>{true, false}));
    QCOMPARE(inherited.total(), 0);
}

void ButtonTest::doubleClickTogglesTwice()
{
    Button button(QStringLiteral("DIM"));
    button.resize(80, 40);
    button.updateStyle();
    InheritedSignals inherited(button);
    QSignalSpy spy(&button, &Button::pressed);

    // What a widget receives for a fast double-click: the second press arrives as a double-click.
    sendMouse(button, QEvent::MouseButtonPress, Qt::LeftButton);
    sendMouse(button, QEvent::MouseButtonRelease, Qt::LeftButton);
    sendMouse(button, QEvent::MouseButtonDblClick, Qt::LeftButton);
    sendMouse(button, QEvent::MouseButtonRelease, Qt::LeftButton);
    QVERIFY(!button.status);
    QCOMPARE(emitted(spy), (QList<bool>{true, false}));

    button.setStatus(true);
    spy.clear();
    sendMouse(button, QEvent::MouseButtonDblClick, Qt::RightButton);
    QVERIFY(!button.status);
    QCOMPARE(emitted(spy), QList<bool>{false});
    QCOMPARE(inherited.total(), 0);
}

void ButtonTest::keyboardDoesNotToggle()
{
    Button button(QStringLiteral("MUTE"));
    button.updateStyle();
    QSignalSpy spy(&button, &Button::pressed);
    QTest::keyClick(&button, Qt::Key_Space);
    QTest::keyClick(&button, Qt::Key_Return);
    QVERIFY(!button.status);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(button.styleSheet(), expectedOffDefault);
}

QTEST_MAIN(ButtonTest)
#include "tst_Button.moc"
