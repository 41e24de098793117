// SPDX-License-Identifier: MIT
// The compiled-in artwork: names, sizes and storage the program relies on.
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QResource>
#include <QSet>
#include <QTest>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void applicationIconIsCompressedWithAllSizes();
    void windowIcon();
    void knobImages();
};

void TestResources::applicationIconIsCompressedWithAllSizes()
{
    const QResource resource(QStringLiteral(":/icon/icon.ico"));
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);

    QImageReader reader(QStringLiteral(":/icon/icon.ico"));
    QSet<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage image = reader.read();
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), image.height());
        sizes.insert(image.width());
    }
    QCOMPARE(sizes, QSet<int>({16, 24, 32, 48, 256}));
    // Start-up's QPixmap takes the first entry: it must be the sharp one.
    QCOMPARE(QImage(QStringLiteral(":/icon/icon.ico")).size(), QSize(256, 256));
}

void TestResources::windowIcon()
{
    const QImage icon(QStringLiteral(":/icon/icon.png"));
    QCOMPARE(icon.size(), QSize(512, 512));
    QVERIFY(icon.hasAlphaChannel());
    // A dark body: the centre-left of the body is darker than mid-grey.
    QVERIFY(qGray(icon.pixel(60, 256)) < 64);
}

void TestResources::knobImages()
{
    for (const char *name : {"fader_1.png", "fader_2.png", "fader_3.png"}) {
        const QImage image(QStringLiteral(":/icon/") + QLatin1String(name));
        QCOMPARE(image.size(), QSize(50, 50));
    }
}

QTEST_MAIN(TestResources)
#include "tst_Resources.moc"
