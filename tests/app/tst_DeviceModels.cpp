// SPDX-License-Identifier: MIT
#include "app/DeviceModels.h"

#include <QTest>

class TestDeviceModels : public QObject
{
    Q_OBJECT

private slots:
    void titleTakesOneCharacterPerByte();
    void titleKeepsZeroBytesAsNulCharacters();
    void titleUsesFullByteRange();
    void titleDoesNotReinterpretInsertedMarkers();
    void tableRowsAreComplete();
    void findReturnsTheRowOrNull();
};

void TestDeviceModels::titleTakesOneCharacterPerByte()
{
    const DeviceModels::FirmwareVersion version = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'};
    QCOMPARE(DeviceModels::buildTitle(QStringLiteral("Zelvoro KS1 - FW: %1%2%3%4%5%6%7%8%9%10"), version),
             QStringLiteral("Zelvoro KS1 - FW: ABCDEFGHIJ"));
    // %10 is its own marker, not %1 followed by a zero.
    QCOMPARE(DeviceModels::buildTitle(QStringLiteral("%10|%1"), version), QStringLiteral("J|A"));
}

void TestDeviceModels::titleKeepsZeroBytesAsNulCharacters()
{
    const DeviceModels::FirmwareVersion version = {'1', '.', '0', '.', '3', 0, 0, 0, 0, 0};
    const QString title =
        DeviceModels::buildTitle(QStringLiteral("Zelvoro KS2 - FW: %1%2%3%4%5%6%7%8%9%10"), version);
    QCOMPARE(title, QStringLiteral("Zelvoro KS2 - FW: 1.0.3") + QString(5, QChar(0)));
    QCOMPARE(title.size(), qsizetype(QStringLiteral("Zelvoro KS2 - FW: ").size() + 10));
}

void TestDeviceModels::titleUsesFullByteRange()
{
    const DeviceModels::FirmwareVersion version = {0xFF, 0x80, 0xE9, 0x7F, 0x01, 0x20, '%', '9', 0x00, 'z'};
    const QString title = DeviceModels::buildTitle(QStringLiteral("%1%2%3%4%5%6%7%8%9%10"), version);
    QCOMPARE(title.size(), qsizetype(10));
    for (std::size_t i = 0; i < version.size(); ++i)
        QCOMPARE(title.at(qsizetype(i)).unicode(), char16_t(version[i]));
}

void TestDeviceModels::titleDoesNotReinterpretInsertedMarkers()
{
    // A '%' byte followed by a digit byte must not be read as a new marker.
    const DeviceModels::FirmwareVersion version = {'%', '1', 'x', 'y', 'z', 'a', 'b', 'c', 'd', 'e'};
    QCOMPARE(DeviceModels::buildTitle(QStringLiteral("%1%2%3%4%5%6%7%8%9%10"), version),
             QStringLiteral("%1xyzabcde"));
    QCOMPARE(DeviceModels::buildTitle(QStringLiteral("no markers, 100%"), version),
             QStringLiteral("no markers, 100%"));
}

void TestDeviceModels::tableRowsAreComplete()
{
    const std::vector<DeviceModel> &models = DeviceModels::all();
    for (const DeviceModel &model : models) {
        QVERIFY(model.pid == 1 || model.pid == 2 || model.pid == 15);
        QVERIFY(model.createPanel);
        const QString name = QString::fromLatin1(model.name);
        QCOMPARE(QString::fromLatin1(model.logLine),
                 QStringLiteral("Adding %1 widget to layout.").arg(name.toLower()));
        QCOMPARE(QString::fromLatin1(model.titlePattern),
                 QStringLiteral("Zelvoro %1 - FW: %2").arg(name, QStringLiteral("%1%2%3%4%5%6%7%8%9%10")));
        QCOMPARE(DeviceModels::find(models, model.pid), &model);
    }
}

void TestDeviceModels::findReturnsTheRowOrNull()
{
    const std::vector<DeviceModel> models = {
        {1, "KS1", nullptr, "Adding ks1 widget to layout.", "Zelvoro KS1 - FW: %1"},
        {15, "KT", nullptr, "Adding kt widget to layout.", "Zelvoro KT - FW: %1"},
    };
    QCOMPARE(DeviceModels::find(models, 15), &models[1]);
    QCOMPARE(DeviceModels::find(models, 1), &models[0]);
    QCOMPARE(DeviceModels::find(models, 0), nullptr);
    QCOMPARE(DeviceModels::find(models, 2), nullptr);
}

QTEST_APPLESS_MAIN(TestDeviceModels)
#include "tst_DeviceModels.moc"
