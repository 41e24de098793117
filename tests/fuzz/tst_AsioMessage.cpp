// SPDX-License-Identifier: MIT
// The ASIO driver's pipe message: five little-endian words, the fifth one
// asking for the settings window.
#include "settings/AsioMessage.h"

#include <QTest>

#include <vector>

namespace {

std::vector<std::uint8_t> wordsMessage(std::initializer_list<std::uint32_t> words)
{
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t word : words)
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
    return bytes;
}

} // namespace

class AsioMessageTest : public QObject
{
    Q_OBJECT

private slots:
    void decodesFiveLittleEndianWords()
    {
        const auto bytes = wordsMessage({0x04030201u, 7, 0xFFFFFFFFu, 0x80000000u, 0});
        const AsioMessage message = AsioMessage::decode(bytes.data(), bytes.size());
        QCOMPARE(message.words[0], 0x04030201u);
        QCOMPARE(message.words[1], 7u);
        QCOMPARE(message.words[2], 0xFFFFFFFFu);
        QCOMPARE(message.words[3], 0x80000000u);
        QCOMPARE(message.words[4], 0u);
        QVERIFY(!message.opensWindow());
    }

    void openRequestIsAnyNonZeroFifthWord_data()
    {
        QTest::addColumn<quint32>("fifth");
        QTest::addColumn<bool>("opens");
        QTest::newRow("one") << 1u << true;
        QTest::newRow("high byte only") << 0x01000000u << true;
        QTest::newRow("all bits") << 0xFFFFFFFFu << true;
        QTest::newRow("zero") << 0u << false;
    }
    void openRequestIsAnyNonZeroFifthWord()
    {
        QFETCH(quint32, fifth);
        QFETCH(bool, opens);
        const auto bytes = wordsMessage({0, 0, 0, 0, fifth});
        QCOMPARE(AsioMessage::decode(bytes.data(), bytes.size()).opensWindow(), opens);
    }

    void shortMessagesReadMissingBytesAsZero()
    {
        auto bytes = wordsMessage({0x11111111u, 0x22222222u, 0x33333333u, 0x44444444u, 0x55555555u});
        const AsioMessage seventeen = AsioMessage::decode(bytes.data(), 17);
        QCOMPARE(seventeen.words[3], 0x44444444u);
        QCOMPARE(seventeen.words[4], 0x55u);
        QVERIFY(seventeen.opensWindow());

        const AsioMessage sixteen = AsioMessage::decode(bytes.data(), 16);
        QCOMPARE(sixteen.words[4], 0u);
        QVERIFY(!sixteen.opensWindow());

        const AsioMessage two = AsioMessage::decode(bytes.data(), 2);
        QCOMPARE(two.words[0], 0x1111u);
        QCOMPARE(two.words[1], 0u);

        const AsioMessage empty = AsioMessage::decode(nullptr, 0);
        for (std::uint32_t word : empty.words)
            QCOMPARE(word, 0u);
        QVERIFY(!empty.opensWindow());
    }

    void bytesAfterTheWordsAreIgnored()
    {
        auto bytes = wordsMessage({1, 2, 3, 4, 0});
        bytes.resize(AsioMessage::kMaxBytes + 100, 0xFF);
        const AsioMessage message = AsioMessage::decode(bytes.data(), bytes.size());
        QCOMPARE(message.words[3], 4u);
        QVERIFY(!message.opensWindow());
    }
};

QTEST_GUILESS_MAIN(AsioMessageTest)
#include "tst_AsioMessage.moc"
