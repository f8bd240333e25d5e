#include "settings/SettingsStore.h"
#include "tests/TestSupport.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/ModalDriver.h"
#include "ui/frmMain.h"
#include "ui/frmOpts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace ProgramSettings;

class frmOptsTest : public QObject, private MainWindowFixture, private TestFolder
{
    Q_OBJECT

private:
    QString m_configFolder;

    static QLineEdit* box(frmOpts* options, const char* name)
    {
        return options->findChild<QLineEdit*>(QLatin1String(name));
    }
    static void clickOk(frmOpts* options)
    {
        QTest::mouseClick(options->findChild<QPushButton*>(QStringLiteral("cmdOK")),
                          Qt::LeftButton);
    }
    QString stored(const QString& key) const
    {
        return m_settings->get(application, section, key, QStringLiteral("<absent>"));
    }

    // Presses "Options" and runs `inside` while the options window is open.
    bool withOptions(const std::function<void(frmOpts*)>& inside)
    {
        auto* button = m_window->findChild<QPushButton*>(QStringLiteral("cmdOpts"));
        return whileModalShows<frmOpts>([&] { QTest::mouseClick(button, Qt::LeftButton); }, inside);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(clear());
        m_configFolder = path(QStringLiteral("config"));
        QVERIFY(openMainWindow(m_configFolder));
    }

    void cleanup() { m_window.reset(); }

    void firstOpening_freshProfile_emptyBoxesTextsAndFocusOrder()
    {
        QVERIFY(withOptions([](frmOpts* options) {
            QCOMPARE(options->windowTitle(), QStringLiteral("Converter options"));
            QCOMPARE(options->minimumSize(), options->maximumSize());
            QVERIFY(options->isModal());
            QCOMPARE(box(options, "ptICO")->text(), QString());
            QCOMPARE(box(options, "ptTVK")->text(), QString());
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdOK"));
            const std::pair<const char*, const char*> expected[] = {
                {"Label1", "Def. ICO path:"},
                {"Label2", "Def. TVK path:"},
                {"cmdOK", "OK"},
            };
            for (const auto& [name, text] : expected) {
                const QWidget* widget = options->findChild<QWidget*>(QLatin1String(name));
                QVERIFY2(widget, name);
                QCOMPARE(widget->property("text").toString(), QLatin1String(text));
            }
            QCOMPARE(options->findChild<QPushButton*>(QStringLiteral("cmdOK"))->nextInFocusChain(),
                     box(options, "ptICO"));
            QCOMPARE(box(options, "ptICO")->nextInFocusChain(), box(options, "ptTVK"));
            QVERIFY(!box(options, "ptICO")->accessibleName().isEmpty());
            QVERIFY(!box(options, "ptTVK")->accessibleName().isEmpty());
            options->close();
        }));
        QVERIFY(!QFileInfo::exists(m_configFolder));
    }

    void ok_savesExactTextsAndNextBrowseStartsThere()
    {
        // A folder whose name ends in a space, with a separator after it: kept exactly.
        const QString folder = path(QStringLiteral("my icons ")) + QLatin1Char('/');
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(withOptions([&](frmOpts* options) {
            QTest::keyClicks(box(options, "ptICO"), folder);
            clickOk(options);
        }));

        QCOMPARE(stored(iconFolderKey), folder);
        // Saved as the empty text.
        QCOMPARE(stored(packageFolderKey), QString());
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdBIL")),
                          Qt::LeftButton);
        QTRY_COMPARE(m_dialogs.asked.size(), 1);
        QCOMPARE(m_dialogs.asked.first().request.initialFolder, folder);
    }

    void ok_hidesButKeepsWindowAndItsTexts_withoutReadingStoreAgain()
    {
        QVERIFY(m_settings->save(application, section, packageFolderKey, QStringLiteral("/tvk"))
                    .isDone());
        frmOpts* first = nullptr;
        QVERIFY(withOptions([&](frmOpts* options) {
            first = options;
            QCOMPARE(box(options, "ptTVK")->text(), QStringLiteral("/tvk"));
            box(options, "ptICO")->setText(QStringLiteral("/ico"));
            clickOk(options);
        }));
        QVERIFY(!first->isVisible());
        QCOMPARE(m_window->optionsWindow(), first);
        QVERIFY(m_settings->save(application, section, iconFolderKey, QStringLiteral("/changed"))
                    .isDone());

        QVERIFY(withOptions([&](frmOpts* options) {
            QCOMPARE(options, first);
            QCOMPARE(box(options, "ptICO")->text(), QStringLiteral("/ico"));
            QCOMPARE(box(options, "ptTVK")->text(), QStringLiteral("/tvk"));
            clickOk(options);
        }));
    }

    void close_withoutOk_dropsEditsAndReloadsNextTime()
    {
        QVERIFY(m_settings->save(application, section, iconFolderKey, QStringLiteral("/stored"))
                    .isDone());
        QVERIFY(withOptions([](frmOpts* options) {
            box(options, "ptICO")->setText(QStringLiteral("/edited"));
            options->close();
        }));
        QCOMPARE(stored(iconFolderKey), QStringLiteral("/stored"));

        QVERIFY(withOptions([](frmOpts* options) {
            QCOMPARE(box(options, "ptICO")->text(), QStringLiteral("/stored"));
            QTest::keyClick(options, Qt::Key_Escape);
        }));
        QVERIFY(!m_window->optionsWindow()->isLoaded());
    }

    void ok_saveFails_toldWhyAndWindowStaysWithTexts()
    {
        QVERIFY(TestFiles::write(m_configFolder, "a file where the folder should be"));
        bool stayedOpen = false;
        QVERIFY(withOptions([&](frmOpts* options) {
            box(options, "ptICO")->setText(QStringLiteral("/typed"));
            clickOk(options);
            stayedOpen =
                options->isVisible() && box(options, "ptICO")->text() == QStringLiteral("/typed");
            options->close();
        }));

        QVERIFY(stayedOpen);
        QCOMPARE(m_messages.texts.size(), 1);
        QVERIFY2(
            m_messages.texts.first().startsWith(QStringLiteral("Cannot save the settings to ")),
            qPrintable(m_messages.texts.first()));
    }

    void mainWindowClosed_whileOptionsHidden_endsProgram()
    {
        QVERIFY(withOptions([](frmOpts* options) { clickOk(options); }));
        QVERIFY(m_window->optionsWindow()->isLoaded());
        // The program's own event loop decides whether closing the window ends it.
        QTimer::singleShot(0, m_window.get(), [this] { m_window->close(); });
        QTimer stillRunning;
        connect(&stillRunning, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        stillRunning.start(5000);

        QCOMPARE(QApplication::exec(), 0);
    }
};

QTEST_MAIN(frmOptsTest)
#include "tst_frmOpts.moc"
