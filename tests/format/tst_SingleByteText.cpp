#include "format/SingleByteText.h"

#include <QTest>

class SingleByteTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Windows-1252 as Microsoft publishes it: 0x80 to 0x9F are the characters
    // below (the five it leaves undefined read as the C1 controls of the same
    // number, and are written back from them); every other byte is the Unicode
    // character of the same number.
    void decodeAndEncode_everyByte_matchPublishedTable()
    {
        const QString high = QStringLiteral("€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F"
                                            "\u0090‘’“”•–—˜™š›œ\u009DžŸ");
        QCOMPARE(high.size(), 32);
        for (int byte = 0; byte < 256; ++byte) {
            const QChar expected =
                byte >= 0x80 && byte < 0xA0 ? high.at(byte - 0x80) : QChar(char16_t(byte));
            QCOMPARE(SingleByteText::decode(QByteArray(1, char(byte))), QString(expected));
            QCOMPARE(SingleByteText::encode(expected).bytes, QByteArray(1, char(byte)));
        }
    }

    void encode_windows1252Letters_useTheirBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ASCII") << QStringLiteral("Az 09~") << QByteArray("Az 09~");
        QTest::newRow("euro and quotes")
            << QStringLiteral("€‚„“”") << QByteArray::fromHex("80828493 94");
        QTest::newRow("Latin-1 letters")
            << QStringLiteral("éßÿ\u00A0") << QByteArray::fromHex("E9DFFFA0");
        QTest::newRow("the last of 0x80-0x9F")
            << QStringLiteral("žŸ") << QByteArray::fromHex("9E9F");
    }

    void encode_windows1252Letters_useTheirBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(SingleByteText::encode(text).bytes.toHex(), bytes.toHex());
    }

    void encode_characterOutsideCodePage_refusedWholly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("refused");
        QTest::newRow("CJK") << QStringLiteral("ab中") << 0x4E2Du;
        QTest::newRow("emoji, one character of two UTF-16 units")
            << QStringLiteral("😀") << 0x1F600u;
        QTest::newRow("C1 control on a byte that has a letter")
            << QStringLiteral("\u0085") << 0x85u;
        QTest::newRow("Cyrillic") << QStringLiteral("Ж") << 0x416u;
    }

    void encode_characterOutsideCodePage_refusedWholly()
    {
        QFETCH(QString, text);
        QFETCH(uint, refused);
        const SingleByteText::Encoding encoding = SingleByteText::encode(text);
        QVERIFY(encoding.unencodable);
        QCOMPARE(uint(*encoding.unencodable), refused);
        QVERIFY(encoding.bytes.isEmpty());
    }

    void describeCharacter_showsItAndItsCode()
    {
        QCOMPARE(SingleByteText::describeCharacter(0x1F600), QStringLiteral("“😀” (U+1F600)"));
        QCOMPARE(SingleByteText::describeCharacter(0x4E2D), QStringLiteral("“中” (U+4E2D)"));
    }
};

QTEST_GUILESS_MAIN(SingleByteTextTest)
#include "tst_SingleByteText.moc"
