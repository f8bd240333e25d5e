#include "settings/SettingsStore.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace ProgramSettings;

namespace {
constexpr auto kIni = SettingsStore::Backend::IniFiles;
// A copy of a settings folder under another path, so that a store reading it
// parses what is on disk rather than what this process remembers.
QString copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QString& entry : TestFiles::entries(from))
        QFile::copy(QDir(from).filePath(entry), QDir(to).filePath(entry));
    return to;
}
} // namespace

class SettingsStoreTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_case = 0;

    // A fresh, not yet existing settings folder for each use.
    QString freshFolder() { return m_dir.filePath(QStringLiteral("config-%1").arg(++m_case)); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // On Windows the user's store is the registry key where the program's first
    // runtime kept them; read there, it creates nothing, and saved values are
    // string values that any earlier version reads back.
    void userStore_onWindows_isTheRegistryKeyOfEarlierVersions()
    {
#ifndef Q_OS_WIN
        QSKIP("The registry exists on Windows only.");
#else
        QCOMPARE(
            SettingsStore::forUser().filePath(application),
            QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\ICO2TVK"));
        // A key of its own, so that the real settings are never touched.
        const QString root = QStringLiteral("HKEY_CURRENT_USER\\Software\\TVK_Mak test %1")
                                 .arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
        SettingsStore store(SettingsStore::Backend::Registry, root);
        QCOMPARE(store.get(application, section, iconFolderKey), QString());
        QVERIFY(QSettings(root, QSettings::NativeFormat).childGroups().isEmpty());

        QVERIFY(
            store.save(application, section, iconFolderKey, QStringLiteral("C:\\Icons")).isDone());

        const QSettings written(root + QStringLiteral("\\ICO2TVK\\Options"),
                                QSettings::NativeFormat);
        QCOMPARE(written.value(iconFolderKey).toString(), QStringLiteral("C:\\Icons"));
        QCOMPARE(written.allKeys(), QStringList(iconFolderKey));
        QSettings(root, QSettings::NativeFormat).remove(QString());
#endif
    }

    void save_awkwardTexts_comeBackExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("leading and trailing spaces") << QStringLiteral("  /home/me/icons  ");
        QTest::newRow("trailing slash") << QStringLiteral("/home/me/icons/");
        QTest::newRow("Windows path, trailing backslash") << QStringLiteral("C:\\Icons\\");
        QTest::newRow("non-ASCII letters") << QStringLiteral("/home/jürgen/Иконки/图标 😀");
    }

    void save_awkwardTexts_comeBackExactly()
    {
        QFETCH(QString, value);
        const QString folder = freshFolder();
        SettingsStore store(kIni, folder);
        QCOMPARE(store.get(application, section, iconFolderKey, QStringLiteral("absent")),
                 QStringLiteral("absent"));
        QVERIFY(
            store.save(application, section, packageFolderKey, QStringLiteral("other")).isDone());
        QVERIFY(store.save(application, section, iconFolderKey, QStringLiteral("/first")).isDone());

        const Outcome saved = store.save(application, section, iconFolderKey, value);

        QVERIFY2(saved.isDone(), qPrintable(saved.reason()));
        QCOMPARE(store.get(application, section, iconFolderKey, QStringLiteral("absent")), value);
        const SettingsStore reopened(kIni, copyFolder(folder, folder + QStringLiteral("-copy")));
        QCOMPARE(reopened.get(application, section, iconFolderKey, QStringLiteral("absent")),
                 value);
        QCOMPARE(reopened.get(application, section, packageFolderKey), QStringLiteral("other"));
    }

    void save_fileIsReadableIni_underApplicationName()
    {
        const QString folder = freshFolder();
        SettingsStore store(kIni, folder);
        QVERIFY(store.save(application, section, iconFolderKey, QStringLiteral("/home/me/icons"))
                    .isDone());

        QCOMPARE(store.filePath(application), folder + QStringLiteral("/ICO2TVK.ini"));
        // Windows' QSettings ends INI lines in CRLF.
        const QByteArray text = TestFiles::read(store.filePath(application)).replace("\r\n", "\n");
        QVERIFY2(text.contains("[Options]\nICOpth=/home/me/icons\n"), text.constData());
    }

    // Told with the reason, or with QSettings' own where it says none.
    void save_unwritablePlace_reportsWhy_data()
    {
        QTest::addColumn<bool>("folderIsAFile");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder is a file") << true << QString();
        QTest::newRow("file is a folder") << false << QStringLiteral("The file cannot be written.");
    }

    void save_unwritablePlace_reportsWhy()
    {
        QFETCH(bool, folderIsAFile);
        QFETCH(QString, reason);
        const QString folder = freshFolder();
        SettingsStore store(kIni, folder);
        QVERIFY(folderIsAFile ? TestFiles::write(folder, "a file where the folder should be")
                              : QDir().mkpath(store.filePath(application)));

        const Outcome saved = store.save(application, section, iconFolderKey, QStringLiteral("/x"));

        const QString start = QStringLiteral("Cannot save the settings to %1:\n")
                                  .arg(QDir::toNativeSeparators(store.filePath(application)));
        QVERIFY2(saved.failed() && saved.reason().startsWith(start) &&
                     saved.reason().size() > start.size(),
                 qPrintable(saved.reason()));
        if (!reason.isEmpty())
            QCOMPARE(saved.reason(), start + reason);
        QCOMPARE(store.get(application, section, iconFolderKey), QString());
    }
};

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_SettingsStore.moc"
