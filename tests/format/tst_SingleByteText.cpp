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
};

QTEST_GUILESS_MAIN(SingleByteTextTest)
#include "tst_SingleByteText.moc"
