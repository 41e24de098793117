// SPDX-License-Identifier: MIT
#include "widgets/Knob.h"

#include <QImage>
#include <QTest>

#include <climits>
#include <cstdlib>

namespace {

bool near(QRgb pixel, const QColor &colour, int tolerance = 3)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance
        && std::abs(qGreen(pixel) - colour.green()) <= tolerance
        && std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

QImage render(Knob &knob)
{
    return knob.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int countNear(const QImage &image, const QRect &area, const QColor &colour)
{
    int count = 0;
    const QRect clipped = area & image.rect();
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            count += near(image.pixel(x, y), colour, 40) ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class KnobPaintingTest : public QObject
{
    Q_OBJECT

private slots:
    void spanFor_data();
    void spanFor();
    void discRects_data();
    void discRects();
    void editorRect_data();
    void editorRect();

    void arcShowsTheValue();
    void emptyRangeDrawsNoValueArc_data();
    void emptyRangeDrawsNoValueArc();
    void textIsDrawnAndRemembered();
    void hiddenTextIsNotDrawn();
    void shadowShowsAtTheLowerRight();
};

void KnobPaintingTest::spanFor_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("span");
    QTest::newRow("gain minimum") << 0 << 0 << 56 << 0;
    QTest::newRow("gain maximum") << 56 << 0 << 56 << -4320;
    QTest::newRow("gain middle") << 28 << 0 << 56 << -2160;
    QTest::newRow("level minimum") << -80 << -80 << 6 << 0;
    QTest::newRow("level maximum") << 6 << -80 << 6 << -4320;
    QTest::newRow("level middle") << -37 << -80 << 6 << -2160;
    // 1 * 270 / 42 * 16 = 102.86: truncated, not rounded.
    QTest::newRow("truncated") << 1 << 0 << 42 << -102;
    QTest::newRow("truncated level") << -79 << -80 << 6 << -50;
    // The subtraction must not overflow int.
    QTest::newRow("full int range") << 0 << INT_MIN << INT_MAX << -2160;
    QTest::newRow("empty range") << 5 << 5 << 5 << 0;
    QTest::newRow("inverted range") << 3 << 10 << 0 << 0;
    QTest::newRow("inverted int range") << 0 << INT_MAX << INT_MIN << 0;
}

void KnobPaintingTest::spanFor()
{
    QFETCH(int, value);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, span);
    QCOMPARE(Knob::spanFor(value, minimum, maximum), span);
}

void KnobPaintingTest::discRects_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("arcWidth");
    QTest::addColumn<QRect>("shadow");
    QTest::addColumn<QRect>("face");
    // 120 wide, pen 7: A = 106, d = 84.8; inset 10.6, shadow shift 1.696.
    QTest::newRow("gain and level knobs") << 120 << 7 << QRect(19, 19, 84, 84) << QRect(17, 17, 84, 84);
    // 70 wide, pen 3: A = 64, d = 51.2; inset 6.4, shadow shift 1.024.
    QTest::newRow("phone knob") << 70 << 3 << QRect(10, 10, 51, 51) << QRect(9, 9, 51, 51);
}

void KnobPaintingTest::discRects()
{
    QFETCH(int, width);
    QFETCH(int, arcWidth);
    QFETCH(QRect, shadow);
    QFETCH(QRect, face);
    QCOMPARE(Knob::shadowDiscRect(width, arcWidth, 0.8), shadow);
    QCOMPARE(Knob::faceDiscRect(width, arcWidth, 0.8), face);
}

void KnobPaintingTest::editorRect_data()
{
    QTest::addColumn<QRect>("text");
    QTest::addColumn<QRect>("editor");
    QTest::newRow("shrinks by 2.5 percent") << QRect(10, 20, 80, 40) << QRect(12, 21, 76, 38);
    QTest::newRow("truncates below one pixel") << QRect(40, 50, 39, 19) << QRect(40, 50, 39, 19);
    QTest::newRow("just one pixel") << QRect(40, 50, 41, 40) << QRect(41, 51, 39, 38);
    QTest::newRow("unpainted") << QRect() << QRect();
}

void KnobPaintingTest::editorRect()
{
    QFETCH(QRect, text);
    QFETCH(QRect, editor);
    QCOMPARE(Knob::editorRectFor(text), editor);
}

void KnobPaintingTest::arcShowsTheValue()
{
    Knob knob;
    knob.resize(120, 120);
    knob.minimum = 0;
    knob.maximum = 42;
    knob.arcColor = QColor(QStringLiteral("#f1fa8c"));
    knob.textColor = QColor(QStringLiteral("#00ff7f"));
    // The top of the arc, on the middle of the 7-pixel stroke; the lower-left end, where the arcs start.
    const QPoint top(60, 7);
    const QPoint lowerLeft(23, 97);

    knob.value = 42;
    QImage image = render(knob);
    QVERIFY2(near(image.pixel(top), knob.arcColor), qPrintable(QColor(image.pixel(top)).name()));
    QVERIFY(near(image.pixel(lowerLeft), knob.arcColor));

    knob.value = 0;
    image = render(knob);
    QVERIFY2(near(image.pixel(top), knob.trackColor), qPrintable(QColor(image.pixel(top)).name()));

    // Half way the value arc ends at the top: its left side is lit, its right side is not.
    knob.value = 21;
    image = render(knob);
    QVERIFY(near(image.pixel(50, 8), knob.arcColor));
    QVERIFY(near(image.pixel(70, 8), knob.trackColor));

    knob.showTrack = false;
    image = render(knob);
    QVERIFY(!near(image.pixel(70, 8), knob.trackColor));
    QVERIFY(near(image.pixel(50, 8), knob.arcColor));
}

void KnobPaintingTest::emptyRangeDrawsNoValueArc_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::newRow("single point") << 0 << 0;
    QTest::newRow("inverted") << 10 << -10;
}

void KnobPaintingTest::emptyRangeDrawsNoValueArc()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    Knob knob;
    knob.resize(120, 120);
    knob.minimum = minimum;
    knob.maximum = maximum;
    knob.value = 0;
    knob.arcColor = QColor(Qt::red);
    const QImage image = render(knob);
    QVERIFY(near(image.pixel(60, 7), knob.trackColor));
    QCOMPARE(countNear(image, image.rect(), knob.arcColor), 0);
}

void KnobPaintingTest::textIsDrawnAndRemembered()
{
    Knob knob;
    knob.resize(120, 120);
    knob.textColor = QColor(Qt::red);
    const QImage image = render(knob);
    QVERIFY(!knob.textRect.isNull());
    QVERIFY(qAbs(knob.textRect.center().x() - 60) <= 1);
    QVERIFY(qAbs(knob.textRect.center().y() - 60) <= 1);
    QVERIFY(knob.textRect.width() > knob.textRect.height());
    QVERIFY(countNear(image, knob.textRect, knob.textColor) > 10);
    QCOMPARE(countNear(image, image.rect(), knob.textColor), countNear(image, knob.textRect, knob.textColor));

    // A longer text gives a wider rectangle, recomputed at each paint.
    const QRect shortText = knob.textRect;
    knob.suffix = QStringLiteral(" dB gain");
    render(knob);
    QVERIFY(knob.textRect.width() > shortText.width());
}

void KnobPaintingTest::hiddenTextIsNotDrawn()
{
    Knob knob;
    knob.resize(120, 120);
    knob.textColor = QColor(Qt::red);
    knob.showText = false;
    const QImage image = render(knob);
    QVERIFY(knob.textRect.isNull());
    QCOMPARE(countNear(image, image.rect(), knob.textColor), 0);
}

void KnobPaintingTest::shadowShowsAtTheLowerRight()
{
    Knob knob;
    knob.resize(120, 120);
    knob.showText = false;
    const QImage image = render(knob);
    const QRect face = Knob::faceDiscRect(120, 7, 0.8);
    // Just past the face disc on the lower-right diagonal only the shadow disc is painted;
    // the same distance on the upper-left is background.
    const QPoint lowerRight(face.center().x() + 31, face.center().y() + 31);
    const QPoint upperLeft(face.center().x() - 31, face.center().y() - 31);
    const QColor background = knob.palette().color(QPalette::Window);
    QVERIFY(!near(image.pixel(lowerRight), background, 2));
    QVERIFY(near(image.pixel(upperLeft), background, 2));
    QVERIFY(qGray(image.pixel(lowerRight)) < 60);
}

QTEST_MAIN(KnobPaintingTest)
#include "tst_KnobPainting.moc"
