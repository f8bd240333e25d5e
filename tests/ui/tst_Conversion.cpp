#include "tests/TestSupport.h"
#include "ui/Conversion.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using Kind = MessageService::Kind;

namespace {
// Texts the boxes start with; the window's own are in its form.
PackageRequest windowPlaceholders()
{
    return {QStringLiteral("Left Icon"), QStringLiteral("Right Icon"), QStringLiteral("Output"),
            QStringLiteral("Name Here"), QStringLiteral("Author Here")};
}
using Ended = Conversion::Ended;

constexpr QLatin1String kIcons("Please select both (left and right) ICO files!");
constexpr QLatin1String kOutput("Please select output TVK file!");
constexpr QLatin1String kNames("Enter both Tovrik and Author names!");
} // namespace

Q_DECLARE_METATYPE(PackageRequest)

class ConversionTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Five filled fields: two small icons, an existing earlier output, two names.
    PackageRequest filledFields()
    {
        TestFiles::write(path(QStringLiteral("left.ico")), QByteArray::fromHex("010203"));
        TestFiles::write(path(QStringLiteral("right.ico")), {});
        TestFiles::write(path(QStringLiteral("out.tvk")), "earlier");
        return {path(QStringLiteral("left.ico")), path(QStringLiteral("right.ico")),
                path(QStringLiteral("out.tvk")), QStringLiteral("A"), QStringLiteral("B")};
    }

private Q_SLOTS:
    void init() { QVERIFY(m_dir.isValid()); }

    void run_missingInput_showsEachGroupOnceInOrderAndTouchesNothing_data()
    {
        QTest::addColumn<PackageRequest>("fields");
        QTest::addColumn<QStringList>("expected");

        const PackageRequest filled = filledFields();
        const PackageRequest placeholders = windowPlaceholders();

        QTest::newRow("all at their placeholders")
            << placeholders << QStringList({kIcons, kOutput, kNames});
        QTest::newRow("all empty") << PackageRequest() << QStringList({kIcons, kOutput, kNames});

        PackageRequest fields = filled;
        fields.author = placeholders.author;
        QTest::newRow("only the author") << fields << QStringList(kNames);
        fields = filled;
        fields.name.clear();
        QTest::newRow("only the name, empty") << fields << QStringList(kNames);
        fields = filled;
        fields.rightPath = placeholders.rightPath;
        QTest::newRow("only the right icon") << fields << QStringList(kIcons);
        fields = filled;
        fields.leftPath.clear();
        fields.outputPath = placeholders.outputPath;
        QTest::newRow("left icon and output") << fields << QStringList({kIcons, kOutput});
        fields = filled;
        fields.outputPath.clear();
        fields.name = placeholders.name;
        fields.author = placeholders.author;
        QTest::newRow("output and both names") << fields << QStringList({kOutput, kNames});
    }

    void run_missingInput_showsEachGroupOnceInOrderAndTouchesNothing()
    {
        QFETCH(PackageRequest, fields);
        QFETCH(QStringList, expected);
        const QStringList before = TestFiles::entries(m_dir.path());
        RecordingMessages messages;

        QCOMPARE(Conversion::run(fields, windowPlaceholders(), messages), Ended::InputMissing);

        QCOMPARE(messages.texts, expected);
        QCOMPARE(TestFiles::entries(m_dir.path()), before);
        QCOMPARE(TestFiles::read(path(QStringLiteral("out.tvk"))), QByteArray("earlier"));
    }

    void run_textsThatOnlyResemblePlaceholders_areNotMissing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("author");
        QTest::newRow("lower-case placeholder")
            << QStringLiteral("name here") << QStringLiteral("author here");
        QTest::newRow("placeholder with a space")
            << QStringLiteral("Name Here ") << QStringLiteral(" Author Here");
        QTest::newRow("one space each") << QStringLiteral(" ") << QStringLiteral(" ");
    }

    void run_textsThatOnlyResemblePlaceholders_areNotMissing()
    {
        QFETCH(QString, name);
        QFETCH(QString, author);
        PackageRequest fields = filledFields();
        fields.name = name;
        fields.author = author;
        RecordingMessages messages;

        QCOMPARE(Conversion::run(fields, windowPlaceholders(), messages), Ended::Written);

        QCOMPARE(messages.texts, QStringList(QStringLiteral("Ready!")));
        QCOMPARE(messages.kinds, QList<Kind>({Kind::Information}));
        const QByteArray written = TestFiles::read(fields.outputPath);
        QCOMPARE(written.mid(4, name.size()), name.toLatin1());
    }

    void run_refusedOrFailed_showsOneMessageAndNoReady_data()
    {
        QTest::addColumn<PackageRequest>("fields");
        QTest::addColumn<QString>("expectedStart");
        QTest::addColumn<MessageService::Kind>("expectedKind");

        PackageRequest fields = filledFields();
        fields.rightPath = path(QStringLiteral("missing.ico"));
        QTest::newRow("icon missing") << fields
                                      << QStringLiteral("Cannot read ICO file %1")
                                             .arg(QDir::toNativeSeparators(fields.rightPath))
                                      << Kind::Warning;
        fields = filledFields();
        fields.outputPath = path(QStringLiteral("no folder/out.tvk"));
        QTest::newRow("output folder missing")
            << fields
            << QStringLiteral("Cannot write file %1")
                   .arg(QDir::toNativeSeparators(fields.outputPath))
            << Kind::Error;
    }

    void run_refusedOrFailed_showsOneMessageAndNoReady()
    {
        QFETCH(PackageRequest, fields);
        QFETCH(QString, expectedStart);
        QFETCH(MessageService::Kind, expectedKind);
        RecordingMessages messages;

        QCOMPARE(Conversion::run(fields, windowPlaceholders(), messages),
                 expectedKind == Kind::Warning ? Ended::Refused : Ended::Failed);

        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts.first().startsWith(expectedStart),
                 qPrintable(messages.texts.first()));
        QCOMPARE(messages.kinds.first(), expectedKind);
        QCOMPARE(TestFiles::read(path(QStringLiteral("out.tvk"))), QByteArray("earlier"));
    }
};

QTEST_GUILESS_MAIN(ConversionTest)
#include "tst_Conversion.moc"
