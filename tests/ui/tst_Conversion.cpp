#include "tests/TestSupport.h"
#include "ui/Conversion.h"

#include <QDir>
#include <QTest>

using Kind = MessageService::Kind;

namespace {
// Texts the boxes start with; the window's own are in its form.
PackageRequest windowPlaceholders()
{
    return {QStringLiteral("Left Icon"), QStringLiteral("Right Icon"), QStringLiteral("Output"),
            QStringLiteral("Name Here"), QStringLiteral("Author Here")};
}

constexpr QLatin1String kIcons("Please select both (left and right) ICO files!");
constexpr QLatin1String kOutput("Please select output TVK file!");
constexpr QLatin1String kNames("Enter both Tovrik and Author names!");
} // namespace

Q_DECLARE_METATYPE(PackageRequest)

class ConversionTest : public QObject, private TestFolder
{
    Q_OBJECT

private:
    // Five filled inputs: two small icons, an existing earlier output, two names.
    PackageRequest filledInputs()
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
        QTest::addColumn<PackageRequest>("inputs");
        QTest::addColumn<QStringList>("expected");

        const PackageRequest filled = filledInputs();
        const PackageRequest placeholders = windowPlaceholders();

        QTest::newRow("all empty") << PackageRequest() << QStringList({kIcons, kOutput, kNames});

        PackageRequest inputs = filled;
        inputs.author = placeholders.author;
        QTest::newRow("only the author") << inputs << QStringList(kNames);
        inputs = filled;
        inputs.name.clear();
        QTest::newRow("only the name, empty") << inputs << QStringList(kNames);
        inputs = filled;
        inputs.rightPath = placeholders.rightPath;
        QTest::newRow("only the right icon") << inputs << QStringList(kIcons);
        inputs = filled;
        inputs.leftPath.clear();
        inputs.outputPath = placeholders.outputPath;
        QTest::newRow("left icon and output") << inputs << QStringList({kIcons, kOutput});
        inputs = filled;
        inputs.outputPath.clear();
        inputs.name = placeholders.name;
        inputs.author = placeholders.author;
        QTest::newRow("output and both names") << inputs << QStringList({kOutput, kNames});
    }

    void run_missingInput_showsEachGroupOnceInOrderAndTouchesNothing()
    {
        QFETCH(PackageRequest, inputs);
        QFETCH(QStringList, expected);
        const QStringList before = TestFiles::entries(m_dir.path());
        RecordingMessages messages;

        QVERIFY(!Conversion::run(inputs, windowPlaceholders(), messages));

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
        PackageRequest inputs = filledInputs();
        inputs.name = name;
        inputs.author = author;
        RecordingMessages messages;

        QVERIFY(Conversion::run(inputs, windowPlaceholders(), messages)->isDone());

        QCOMPARE(messages.texts, QStringList(QStringLiteral("Ready!")));
        QCOMPARE(messages.kinds, QList<Kind>({Kind::Information}));
        const QByteArray written = TestFiles::read(inputs.outputPath);
        QCOMPARE(written.mid(4, name.size()), name.toLatin1());
    }

    void run_refusedOrFailed_showsOneMessageAndNoReady_data()
    {
        QTest::addColumn<PackageRequest>("inputs");
        QTest::addColumn<QString>("expectedStart");
        QTest::addColumn<MessageService::Kind>("expectedKind");

        PackageRequest inputs = filledInputs();
        inputs.rightPath = path(QStringLiteral("missing.ico"));
        QTest::newRow("icon missing") << inputs
                                      << QStringLiteral("Cannot read ICO file %1")
                                             .arg(QDir::toNativeSeparators(inputs.rightPath))
                                      << Kind::Warning;
        inputs = filledInputs();
        inputs.outputPath = path(QStringLiteral("no folder/out.tvk"));
        QTest::newRow("output folder missing")
            << inputs
            << QStringLiteral("Cannot write file %1")
                   .arg(QDir::toNativeSeparators(inputs.outputPath))
            << Kind::Error;
    }

    void run_refusedOrFailed_showsOneMessageAndNoReady()
    {
        QFETCH(PackageRequest, inputs);
        QFETCH(QString, expectedStart);
        QFETCH(MessageService::Kind, expectedKind);
        RecordingMessages messages;

        const std::optional<Outcome> ended =
            Conversion::run(inputs, windowPlaceholders(), messages);

        QVERIFY(ended && ended->failed());
        QCOMPARE(ended->refused(), expectedKind == Kind::Warning);

        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts.first().startsWith(expectedStart),
                 qPrintable(messages.texts.first()));
        QCOMPARE(messages.kinds.first(), expectedKind);
        QCOMPARE(TestFiles::read(path(QStringLiteral("out.tvk"))), QByteArray("earlier"));
    }
};

QTEST_GUILESS_MAIN(ConversionTest)
#include "tst_Conversion.moc"
