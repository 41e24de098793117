// SPDX-License-Identifier: MIT
// The compiled-in artwork: names, sizes and storage the program relies on.
#include "app/ApplicationIcon.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QResource>
#include <QSet>
#include <QTest>
#include <QWidget>

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void applicationIconIsCompressedWithAllSizes();
    void windowIcon();
    void knobImages();
    void applicationIconWhenAWindowNeedsIt_data();
    void applicationIconWhenAWindowNeedsIt();
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

void TestResources::applicationIconWhenAWindowNeedsIt_data()
{
    QTest::addColumn<Qt::WindowType>("type");
    QTest::addColumn<bool>("ownIcon");
    QTest::addColumn<QList<QSize>>("applicationIcon");
    QTest::newRow("window") << Qt::Window << false << QList<QSize>{QSize(256, 256)};
    QTest::newRow("window with its own icon") << Qt::Window << true << QList<QSize>{};
    QTest::newRow("menu") << Qt::Popup << false << QList<QSize>{};
}

void TestResources::applicationIconWhenAWindowNeedsIt()
{
    QFETCH(Qt::WindowType, type);
    QFETCH(bool, ownIcon);
    QFETCH(QList<QSize>, applicationIcon);
    QApplication::setWindowIcon(QIcon());
    new ApplicationIcon(QStringLiteral(":/icon/icon.ico"), qApp);
    QVERIFY(QApplication::windowIcon().isNull());
    QWidget window(nullptr, type);
    if (ownIcon)
        window.setWindowIcon(QPixmap(QStringLiteral(":/icon/icon.png")));
    window.show();
    QCOMPARE(QApplication::windowIcon().availableSizes(), applicationIcon);
    QCOMPARE(window.windowIcon().availableSizes(), ownIcon ? QList<QSize>{QSize(512, 512)} : applicationIcon);
}

QTEST_MAIN(TestResources)
#include "tst_Resources.moc"
