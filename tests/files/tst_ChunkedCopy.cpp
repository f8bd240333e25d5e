#include "files/ChunkedCopy.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

namespace {
// Accepts only a limited number of bytes, then reports short writes, as a full
// disk does.
class ShortWriteDevice final : public QBuffer
{
public:
    explicit ShortWriteDevice(qint64 room) : m_room(room) {}

protected:
    qint64 writeData(const char* data, qint64 length) override
    {
        const qint64 accepted = std::min(length, m_room);
        m_room -= accepted;
        return QBuffer::writeData(data, accepted);
    }

private:
    qint64 m_room;
};

QByteArray pattern(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i * 31 + i / 256) & 0xFF);
    return bytes;
}
} // namespace

Q_DECLARE_METATYPE(CopyMethod)

class ChunkedCopyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void copyBytes_failures_reported_data()
    {
        QTest::addColumn<qint64>("room");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<CopyResult::Status>("expected");
        const qint64 count = 3 * ChunkedCopy::kChunkSize;
        QTest::newRow("short write")
            << ChunkedCopy::kChunkSize + 10 << false << CopyResult::Status::WriteFailed;
        QTest::newRow("cancelled") << count << true << CopyResult::Status::Cancelled;
    }

    void copyBytes_failures_reported()
    {
        QFETCH(qint64, room);
        QFETCH(bool, cancel);
        QFETCH(CopyResult::Status, expected);
        QByteArray source = pattern(3 * ChunkedCopy::kChunkSize);
        QBuffer from(&source);
        ShortWriteDevice to(room);
        QVERIFY(from.open(QIODevice::ReadOnly));
        QVERIFY(to.open(QIODevice::WriteOnly));

        const CopyResult outcome = ChunkedCopy::copyBytes(from, to, 3 * ChunkedCopy::kChunkSize,
                                                          [&](qint64) { return !cancel; });

        QCOMPARE(outcome.status, expected);
        QVERIFY(outcome.copied < 3 * ChunkedCopy::kChunkSize);
    }

    void copyFileData_fastPathAndFallback_giveIdenticalBytes_data()
    {
        QTest::addColumn<qint64>("size");
        // What the source holds past where the copy starts.
        QTest::addColumn<qint64>("held");
        QTest::addColumn<CopyMethod>("method");
        const qint64 kernelChunk = qint64(8) << 20;
        for (const CopyMethod method : {CopyMethod::Fastest, CopyMethod::ReadWrite}) {
            const char* name = method == CopyMethod::Fastest ? "fastest" : "read and write";
            for (const qint64 size :
                 {qint64(0), qint64(1), ChunkedCopy::kChunkSize - 1, ChunkedCopy::kChunkSize,
                  ChunkedCopy::kChunkSize + 1, kernelChunk - 1, kernelChunk + 3})
                QTest::addRow("%lld bytes, %s", size, name) << size << size + 3 << method;
            QTest::addRow("source 1000 bytes short, %s", name)
                << qint64(2000) << qint64(1000) << method;
        }
    }

    // As the package writer uses it: from the middle of one file to the end of a
    // save file that already holds some bytes, then more bytes written after it.
    void copyFileData_fastPathAndFallback_giveIdenticalBytes()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, held);
        QFETCH(CopyMethod, method);
        QTemporaryDir dir;
        const QByteArray source = pattern(7 + held);
        const qint64 copied = std::min(size, held);
        QFile input(dir.filePath(QStringLiteral("in")));
        QVERIFY(input.open(QIODevice::WriteOnly) && input.write(source) == source.size());
        input.close();
        QVERIFY(input.open(QIODevice::ReadOnly) && input.seek(7));
        QSaveFile output(dir.filePath(QStringLiteral("out")));
        QVERIFY(output.open(QIODevice::WriteOnly));
        QCOMPARE(output.write("head"), 4);
        qint64 lastProgress = 0;
        qint64 reports = 0;

        const CopyResult outcome = ChunkedCopy::copyFileData(
            input, output, size,
            [&](qint64 copied) {
                lastProgress = copied;
                ++reports;
                return true;
            },
            method);
        QCOMPARE(output.write("tail"), 4);
        QVERIFY(output.commit());

        QCOMPARE(outcome.status,
                 held < size ? CopyResult::Status::SourceEnded : CopyResult::Status::Copied);
        QCOMPARE(outcome.copied, copied);
        QCOMPARE(lastProgress, copied);
        // Read and write report each chunk; the kernel copies far larger pieces,
        // so fewer reports show that it did the copying.
        const qint64 chunks = (copied + ChunkedCopy::kChunkSize - 1) / ChunkedCopy::kChunkSize;
#ifdef Q_OS_LINUX
        if (method == CopyMethod::Fastest && chunks >= 2)
            QVERIFY2(reports < chunks, qPrintable(QString::number(reports)));
        else
            QCOMPARE(reports, chunks);
#else
        QCOMPARE(reports, chunks);
#endif
        QCOMPARE(input.pos(), 7 + copied);
        QFile result(dir.filePath(QStringLiteral("out")));
        QVERIFY(result.open(QIODevice::ReadOnly));
        QVERIFY(result.readAll() == "head" + source.mid(7, copied) + "tail");
    }

#ifdef Q_OS_UNIX
    // The kernel copy fails without saying which side failed; the source's
    // failure must not be reported as the target's.
    void copyFileData_unreadableSource_reportsReadFailed()
    {
        QTemporaryDir dir;
        const int folderHandle = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY);
        QVERIFY(folderHandle >= 0);
        QFile input;
        QVERIFY(input.open(folderHandle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
        QSaveFile output(dir.filePath(QStringLiteral("out")));
        QVERIFY(output.open(QIODevice::WriteOnly));

        const CopyResult outcome = ChunkedCopy::copyFileData(input, output, 100);

        QCOMPARE(outcome.status, CopyResult::Status::ReadFailed);
        QVERIFY2(input.errorString().contains(QStringLiteral("Is a directory")),
                 qPrintable(input.errorString()));
    }
#endif
};

QTEST_GUILESS_MAIN(ChunkedCopyTest)
#include "tst_ChunkedCopy.moc"
