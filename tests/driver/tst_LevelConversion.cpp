// SPDX-License-Identifier: MIT
#include "driver/AudioBusDevice.h"

#include <QTest>

#include <cmath>
#include <limits>

class LevelConversionTest : public QObject
{
    Q_OBJECT

private slots:
    void dbToGainEdges()
    {
        QCOMPARE(AudioBusDevice::dbToGain(-80.0), 0.0);
        QCOMPARE(AudioBusDevice::dbToGain(-100.0), 0.0);
        QCOMPARE(AudioBusDevice::dbToGain(-79.5), std::pow(10.0, -79.5 / 20.0));
        QCOMPARE(AudioBusDevice::dbToGain(0.0), 1.0);
        QCOMPARE(AudioBusDevice::dbToGain(6.0), std::pow(10.0, 6.0 / 20.0));
        QCOMPARE(AudioBusDevice::dbToGain(6.5), 1.9952623149688795);
        QCOMPARE(AudioBusDevice::dbToGain(-14.0), std::pow(10.0, -14.0 / 20.0));
        QVERIFY(std::isnan(AudioBusDevice::dbToGain(std::numeric_limits<double>::quiet_NaN())));
    }

    void amplitudeToDbEdges()
    {
        QCOMPARE(AudioBusDevice::amplitudeToDb(2147483647), 0.0);
        QCOMPARE(AudioBusDevice::amplitudeToDb(-2147483647), 0.0);
        const double lowest = AudioBusDevice::amplitudeToDb(std::numeric_limits<std::int32_t>::min());
        QVERIFY(lowest > 0.0 && lowest < 1e-8);
        const double zero = AudioBusDevice::amplitudeToDb(0);
        QVERIFY(std::isinf(zero) && zero < 0);
        QVERIFY(std::fabs(AudioBusDevice::amplitudeToDb(1073741824) - (-6.0206)) < 1e-3);
    }
};

QTEST_GUILESS_MAIN(LevelConversionTest)
#include "tst_LevelConversion.moc"
