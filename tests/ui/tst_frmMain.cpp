#include "format/IcoDirectory.h"
#include "format/TvkLayout.h"
#include "format/TvkReader.h"
#include "settings/SettingsStore.h"
#include "tests/TestSupport.h"
#include "tests/ui/MainWindowFixture.h"
#include "tests/ui/ModalDriver.h"
#include "ui/FormFont.h"
#include "ui/NameBox.h"
#include "ui/PreviewTips.h"
#include "ui/WorkProgress.h"
#include "ui/frmMain.h"
#include "ui/frmOpts.h"

#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QHelpEvent>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QToolTip>

#include <atomic>
#include <memory>

using namespace ProgramSettings;

namespace {
// A real ICO file of one 16x16 image, as Qt writes it.
QByteArray icoFile()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    return TestPictures::encoded(image, "ICO");
}

// A picture of `side` pixels a side, as a PNG file.
QByteArray pngFile(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return TestPictures::encoded(image, "PNG");
}

constexpr QLatin1String kIconFilter(TVK_HAS_SVG ? "ICON files (*.ico);;Pictures (*.png *.jpg "
                                                  "*.jpeg *.bmp *.gif *.webp *.svg)"
                                                : "ICON files (*.ico);;Pictures (*.png *.jpg "
                                                  "*.jpeg *.bmp *.gif *.webp)");
constexpr QLatin1String kPackageFilter("Tovrik img files (*.tvk)");
} // namespace

class frmMainTest : public QObject, private MainWindowFixture, private TestFolder
{
    Q_OBJECT

private:
    template <typename T = QWidget> T* control(const char* name) const
    {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("No control %s", name);
        return found;
    }
    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }

    // Fills the five boxes as the user would, for icons of the given bytes, and
    // names A and B typed in; returns the output path.
    QString fillFields(const QByteArray& left, const QByteArray& right,
                       const QString& leftName = QStringLiteral("left.ico"))
    {
        TestFiles::write(path(leftName), left);
        TestFiles::write(path(QStringLiteral("right.ico")), right);
        QString output = path(QStringLiteral("out.tvk"));
        m_dialogs.answers = {path(leftName), path(QStringLiteral("right.ico")), output};
        click("cmdBIL");
        click("cmdBIR");
        click("cmdBOut");
        click("txtName");
        QTest::keyClicks(control("txtName"), QStringLiteral("A"));
        click("txtAuth");
        QTest::keyClicks(control("txtAuth"), QStringLiteral("B"));
        return output;
    }

    struct ShownProgress : QObject
    {
        int count = 0;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Show && qobject_cast<QProgressDialog*>(watched))
                ++count;
            return false;
        }
    };
    // Makes the window's looks at paths wait, as on a dead share, until the flag is cleared.
    std::shared_ptr<std::atomic<bool>> stall()
    {
        auto stalled = std::make_shared<std::atomic<bool>>(true);
        m_window->setBeforePathCheck([stalled] {
            while (*stalled)
                QThread::msleep(2);
        });
        return stalled;
    }

    void storeFolder(const QString& key, const QString& folder)
    {
        QVERIFY(m_settings->save(application, section, key, folder).isDone());
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(clear());
        QVERIFY(openMainWindow(path(QStringLiteral("config"))));
    }

    void cleanup() { m_window.reset(); }

    void window_asBuilt_matchesDesign()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("ICO -> Tovrik ICO Converter"));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QVERIFY(m_window->windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(m_window->windowIcon().availableSizes().contains(QSize(32, 32)));
        QTRY_COMPARE(QApplication::focusWidget(), control("cmdCnv"));
        const QStringList expected =
            QStringLiteral("fnInL fnInR fnOut cmdCnv cmdBIL cmdBIR cmdBOut txtName txtAuth cmdOpts")
                .split(QLatin1Char(' '));
        QStringList chain;
        QWidget* widget = control("fnInL");
        do {
            if (expected.contains(widget->objectName()))
                chain << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != control("fnInL"));
        QCOMPARE(chain, expected);
    }

    void controls_asBuilt_matchDesign_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        const auto row = [](const char* name, const char* text, bool enabled) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text)
                                << enabled;
        };
        row("fnInL", "Input name - Left ICO", false);
        row("fnInR", "Input name - Right ICO", false);
        row("fnOut", "Output name - Complete TVK", false);
        row("cmdCnv", "Convert!", true);
        row("cmdBIL", "Browse", true);
        row("cmdBIR", "Browse", true);
        row("cmdBOut", "Browse", true);
        row("txtName", "Tovrik name", true);
        row("txtAuth", "Author Name", true);
        row("cmdOpts", "Options", true);
    }

    void controls_asBuilt_matchDesign()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        QWidget* widget = control(qPrintable(name));

        QCOMPARE(widget->property("text").toString(), text);
        QCOMPARE(widget->isEnabled(), enabled);
        // Whole inside the fixed window, and clear of every other control.
        QVERIFY(m_window->rect().contains(widget->geometry()));
        for (QWidget* other : m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other != widget && other->isVisible() && !other->objectName().startsWith(u"qt_"))
                QVERIFY2(!other->geometry().intersects(widget->geometry()),
                         qPrintable(other->objectName()));
        }
        const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(accessible);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(),
                 "a screen reader needs a name to announce");
        if (auto* lineEdit = qobject_cast<QLineEdit*>(widget))
            QCOMPARE(lineEdit->placeholderText(), QString());
    }

    // Measured here, apart from the fitting code: every text narrower than its control.
    void texts_showWholeAtDesignedGeometry()
    {
        QVERIFY(m_window->font().pointSizeF() >= 6.0);
        for (const QWidget* widget : m_window->findChildren<QWidget*>()) {
            QString text;
            if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
                text = edit->text();
            else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
                text = button->text();
            else
                continue;
            QVERIFY2(widget->fontMetrics().horizontalAdvance(text) < widget->width(),
                     qPrintable(widget->objectName()));
        }
        // The fitting code must be able to say no, or it would never shrink the font.
        QWidget form;
        auto* narrow = new QLineEdit(QStringLiteral("Output name - Complete TVK"), &form);
        narrow->resize(40, 20);
        QVERIFY(!FormFont::textsFit(&form));
        narrow->resize(400, 20);
        QVERIFY(FormFont::textsFit(&form));
    }

    void browse_asksWithTitleFilterAndStoredFolder_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("forSaving");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("folderKey");
        QTest::newRow("left icon") << "cmdBIL"
                                   << "fnInL" << false << QString(kIconFilter) << iconFolderKey;
        QTest::newRow("right icon") << "cmdBIR"
                                    << "fnInR" << false << QString(kIconFilter) << iconFolderKey;
        QTest::newRow("output") << "cmdBOut"
                                << "fnOut" << true << QString(kPackageFilter) << packageFolderKey;
    }

    void browse_asksWithTitleFilterAndStoredFolder()
    {
        QFETCH(QString, button);
        QFETCH(QString, box);
        QFETCH(bool, forSaving);
        QFETCH(QString, filter);
        QFETCH(QString, folderKey);
        const QString icons = path(QStringLiteral("icons here/"));
        const QString packages = path(QStringLiteral("packages here"));
        QVERIFY(QDir().mkpath(icons) && QDir().mkpath(packages));
        storeFolder(iconFolderKey, icons);
        storeFolder(packageFolderKey, packages);
        const QString expectedFolder = folderKey == iconFolderKey ? icons : packages;
        m_dialogs.answers = {QStringLiteral("/chosen/first"), QStringLiteral("/chosen/second")};

        click(qPrintable(button));
        QTRY_COMPARE(m_dialogs.asked.size(), 1);
        click(qPrintable(button));
        QTRY_COMPARE(m_dialogs.asked.size(), 2);
        for (const ScriptedFileDialogs::Asked& asked : std::as_const(m_dialogs.asked)) {
            QCOMPARE(asked.forSaving, forSaving);
            QCOMPARE(asked.request.title, QStringLiteral("ICO -> TVK"));
            QCOMPARE(asked.request.filter, filter);
            QCOMPARE(asked.request.initialFolder, expectedFolder);
        }
        QCOMPARE(this->box(qPrintable(box))->text(),
                 QDir::toNativeSeparators(QStringLiteral("/chosen/second")));
        // A stored folder that is gone is not asked for; cancelled, the box empties.
        storeFolder(folderKey, path(QStringLiteral("gone/deep/er")));
        click(qPrintable(button));
        QTRY_COMPARE(m_dialogs.asked.size(), 3);
        QCOMPARE(m_dialogs.asked.constLast().request.initialFolder, QString());
        QCOMPARE(this->box(qPrintable(box))->text(), QString());
    }

    // The stored folder stalls, as on a dead network share: the window goes on and takes
    // no second Browse meanwhile, and the dialog opens without the folder after a while.
    void browse_storedFolderStalls_windowGoesOnAndDialogOpensWithoutIt()
    {
        storeFolder(iconFolderKey, m_dir.path());
        const auto stalled = stall();
        m_dialogs.answers = {QStringLiteral("/chosen")};

        click("cmdBIL");
        click("cmdBIR");
        click("txtName");
        QTest::keyClicks(control("txtName"), QStringLiteral("typed"));
        QCOMPARE(box("txtName")->text(), QStringLiteral("typed"));
        QCOMPARE(m_dialogs.asked.size(), 0);
        QTRY_COMPARE(m_dialogs.asked.size(), 1);
        QCOMPARE(m_dialogs.asked.constFirst().request.initialFolder, QString());
        QCOMPARE(box("fnInL")->text(), QDir::toNativeSeparators(QStringLiteral("/chosen")));
        QCOMPARE(box("fnInR")->text(), QStringLiteral("Input name - Right ICO"));
        *stalled = false;
    }

    // A click clears the box's own placeholder; reached from tabFrom by Tab (the
    // name box) or Shift+Tab (the author box), it keeps it and typing joins it.
    void nameBox_reached_clearsOnlyItsPlaceholderOnClick_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("tabFrom");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* tag, const char* name, const char* before,
                            const char* tabFrom, const char* after) {
            QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(before)
                               << QString::fromUtf8(tabFrom) << QString::fromUtf8(after);
        };
        row("name placeholder", "txtName", "Tovrik name", "", "");
        row("author placeholder", "txtAuth", "Author Name", "", "");
        row("typed name", "txtName", "Mira", "", "Mira");
        row("other box's placeholder", "txtName", "Author Name", "", "Author Name");
        row("placeholder in lower case", "txtAuth", "author name", "", "author name");
        row("Tab", "txtName", "Tovrik name", "cmdBOut", "Tovrik nameX");
        row("Shift+Tab", "txtAuth", "Author Name", "cmdOpts", "Author NameX");
    }

    void nameBox_reached_clearsOnlyItsPlaceholderOnClick()
    {
        QFETCH(QString, name);
        QFETCH(QString, before);
        QFETCH(QString, tabFrom);
        QFETCH(QString, after);
        box(qPrintable(name))->setText(before);

        if (tabFrom.isEmpty()) {
            click(qPrintable(name));
            click(qPrintable(name));
        } else {
            control(qPrintable(tabFrom))->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(control(qPrintable(tabFrom)), Qt::Key_Tab,
                            name == QLatin1String("txtAuth") ? Qt::ShiftModifier : Qt::NoModifier);
            QTRY_COMPARE(QApplication::focusWidget(), control(qPrintable(name)));
            QTest::keyClicks(control(qPrintable(name)), QStringLiteral("X"));
        }

        QCOMPARE(box(qPrintable(name))->text(), after);
    }

    // Every other field is given, so the message can only come from the name.
    void nameBox_placeholderTypedBack_isMissingAndNextClickClearsIt()
    {
        const QString output = fillFields("left", "right");
        click("txtName");
        click("txtName");
        box("txtName")->selectAll();
        QTest::keyClicks(control("txtName"), QStringLiteral("Tovrik name"));
        click("cmdCnv");
        QCOMPARE(m_messages.texts,
                 QStringList(QStringLiteral("Enter both Tovrik and Author names!")));
        QVERIFY(!QFile::exists(output));

        click("txtName");

        QCOMPARE(box("txtName")->text(), QString());
        // Longer than a line edit takes by default.
        box("txtName")->setText(QString(40000, QLatin1Char('n')));
        QCOMPARE(box("txtName")->text().size(), 40000);
    }

    void convert_unstorableCharacter_isSelectedInItsBox_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("selected");
        QTest::newRow("in the name") << "txtName" << QStringLiteral("Café ∞ x") << "∞";
        QTest::newRow("outside the BMP, in the author")
            << "txtAuth" << QStringLiteral("Zoë 😀") << QStringLiteral("😀");
    }

    void convert_unstorableCharacter_isSelectedInItsBox()
    {
        QFETCH(QString, boxName);
        QFETCH(QString, text);
        QFETCH(QString, selected);
        fillFields(icoFile(), icoFile());
        box(qPrintable(boxName))->setText(text);
        control("cmdCnv")->setFocus(Qt::OtherFocusReason);

        click("cmdCnv");

        QCOMPARE(m_messages.texts.size(), 1);
        QVERIFY(m_messages.texts.constFirst().contains(selected));
        QCOMPARE(QApplication::focusWidget(), box(qPrintable(boxName)));
        QCOMPARE(box(qPrintable(boxName))->selectedText(), selected);
    }

    // Opened and converted unchanged, a TVK file comes out byte for byte the same,
    // whatever its names hold (every byte but NUL, the placeholder's text) and its icons (a
    // picture is not made into an icon); its icons are in a private folder, gone with the window.
    void openPackage_convertedUnchanged_isByteIdentical()
    {
        QByteArray name;
        for (int byte = 1; byte < 256; ++byte)
            name += char(byte);
        const QByteArray left = icoFile();
        const QByteArray right = pngFile(16);
        const QByteArray package =
            TvkLayout::header(name, "Author Name", qint32(left.size()), qint32(right.size())) +
            left + right;
        const QString file = path(QStringLiteral("cafe.tvk"));
        QVERIFY(TestFiles::write(file, package));

        m_window->loadPackage(file);

        QCOMPARE(m_messages.texts, QStringList());
        QCOMPARE(box("fnOut")->text(), QDir::toNativeSeparators(file));
        QCOMPARE(box("txtAuth")->text(), QStringLiteral("Author Name"));
        const QString leftIcon = box("fnInL")->text();
        QCOMPARE(QFileInfo(leftIcon).fileName(), QStringLiteral("cafe-left.ico"));
        QCOMPARE(TestFiles::read(leftIcon), left);
        QTRY_VERIFY(box("fnInR")->actions().constFirst()->isVisible());
        QVERIFY(box("fnInR")->accessibleDescription().contains(QLatin1String("stored unchanged")));
        QVERIFY(!box("fnInL")->actions().constFirst()->isVisible());
        click("cmdCnv");
        QCOMPARE(m_messages.texts, QStringList(QStringLiteral("Ready!")));
        QCOMPARE(TestFiles::read(file), package);
        m_window.reset();
        QVERIFY(!QFileInfo::exists(QFileInfo(leftIcon).path()));
    }

    // The icons of an opened file go only where no other user can replace them.
    void openPackage_temporaryFolderUnfit_isToldAndNothingMade_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing" << 0
                                 << "The temporary folder %1 does not exist. It is the folder "
                                    "that TMPDIR names.";
        QTest::newRow("writable by others, not sticky")
            << "shared" << 0777
            << "Other users can write in %1, and it is not sticky, so they "
               "could replace what is made there.";
    }

    void openPackage_temporaryFolderUnfit_isToldAndNothingMade()
    {
#ifdef Q_OS_WIN
        QSKIP("The temporary folder is the user's own on Windows.");
#endif
        QFETCH(QString, folder);
        QFETCH(int, mode);
        QFETCH(QString, reason);
        const QString temporary = path(folder);
        if (mode != 0) {
            QVERIFY(QDir().mkpath(temporary));
            QVERIFY(QFile::setPermissions(temporary, QFileDevice::Permissions(0x7777)));
        }
        const QString file = path(QStringLiteral("cafe.tvk"));
        QVERIFY(TestFiles::write(file,
                                 QByteArray::fromHex("01000000 41 01000000 42 0000000000000000")));
        const QByteArray before = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temporary));

        m_window->loadPackage(file);

        qputenv("TMPDIR", before);
        QCOMPARE(
            m_messages.texts,
            QStringList(QStringLiteral("Cannot make a folder for the icons of %1:\n").arg(file) +
                        reason.arg(temporary)));
        QCOMPARE(box("txtName")->text(), QStringLiteral("Tovrik name"));
        if (mode != 0)
            QCOMPARE(TestFiles::entries(temporary), QStringList());
    }

    void openPackage_notATvkFile_isToldAndWindowStaysEmpty()
    {
        const QString file = path(QStringLiteral("odd.tvk"));
        QVERIFY(TestFiles::write(file, QByteArray::fromHex("05000000 41")));

        m_window->loadPackage(file);

        QCOMPARE(m_messages.texts.size(), 1);
        QVERIFY2(m_messages.texts.constFirst().startsWith(
                     QStringLiteral("Cannot open TVK file %1:\nIt is not a TVK file: ")
                         .arg(QDir::toNativeSeparators(file))),
                 qPrintable(m_messages.texts.constFirst()));
        QCOMPARE(box("fnOut")->text(), QStringLiteral("Output name - Complete TVK"));
        QCOMPARE(box("txtName")->text(), QStringLiteral("Tovrik name"));
    }

    // The writing stalls on a worker thread without a report, as the final flush
    // to a slow disk does; Cancel stays in time: the job's next report is refused.
    void job_stalledWithoutReports_showsDialogHoldsInputAndCancels()
    {
        WorkProgress progress(m_window.get(), WorkProgress::Kind::Writing,
                              QStringLiteral("out.tvk"), std::chrono::milliseconds(100));
        std::atomic<bool> pressed = false;
        std::atomic<bool> refused = false;
        const auto stallingJob = [&](const WriteProgress& report) {
            report(100, 100);
            QDeadlineTimer deadline(5000);
            while (!pressed && !deadline.hasExpired())
                QThread::msleep(2);
            refused = !report(100, 100);
        };

        const bool shown = whileModalShows<QProgressDialog>(
            [&] { progress.run(stallingJob); },
            [&](QProgressDialog* dialog) {
                QCOMPARE(dialog->parentWidget(), m_window.get());
                QCOMPARE(dialog->labelText(), QStringLiteral("Saving out.tvk to disk…"));
                QTest::keyClicks(box("txtName"), QStringLiteral("typed"));
                QCOMPARE(box("txtName")->text(), QStringLiteral("Tovrik name"));
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
                QVERIFY(dialog->isVisible());
                QCOMPARE(dialog->labelText(),
                         QStringLiteral("Cancelling…\nout.tvk stays as it was."));
                pressed = true;
            });

        QVERIFY(shown);
        QVERIFY(refused);
        QVERIFY(m_window->findChildren<QProgressDialog*>().isEmpty());
    }

    // Opening a file copies its icons, with the same progress and Cancel.
    void openPackage_cancelled_leavesWindowEmptyAndNoFolder()
    {
        const QString file = path(QStringLiteral("big.tvk"));
        // A 1 GiB left icon, sparse: only its copy takes room.
        QFile big(file);
        QVERIFY(big.open(QIODevice::WriteOnly));
        big.write(QByteArray::fromHex("01000000 41 01000000 42 00000040 00000000"));
        QVERIFY(big.resize(big.size() + (qint64(1) << 30)));
        big.close();
        m_window->setProgressDelay(std::chrono::milliseconds(0));
        const QStringList before = QDir::temp().entryList({QStringLiteral("TVK_Mak-*")});

        const bool shown = whileModalShows<QProgressDialog>(
            [&] { m_window->loadPackage(file); },
            [&](QProgressDialog* dialog) {
                QVERIFY(dialog->labelText().startsWith(
                            QStringLiteral("Copying the icons of big.tvk")) ||
                        dialog->labelText() == QStringLiteral("Opening big.tvk…"));
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
            });

        QVERIFY(shown);
        QCOMPARE(m_messages.texts, QStringList());
        QCOMPARE(box("txtName")->text(), QStringLiteral("Tovrik name"));
        QCOMPARE(QDir::temp().entryList({QStringLiteral("TVK_Mak-*")}), before);
    }

    void convert_progress_onlyWhenSlowAndClosedBeforeReady_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::addColumn<bool>("slow");
        QTest::newRow("fast") << qsizetype(1000) << false;
        QTest::newRow("slow") << qsizetype(8 << 20) << true;
    }

    void convert_progress_onlyWhenSlowAndClosedBeforeReady()
    {
        QFETCH(qsizetype, size);
        QFETCH(bool, slow);
        const QString output = fillFields(QByteArray(size, 'l'), {});
        if (slow)
            m_window->setProgressDelay(std::chrono::milliseconds(0));
        ShownProgress shown;
        qApp->installEventFilter(&shown);
        QStringList visibleAtReady;
        m_messages.whenShown = [&](const QString&) {
            for (const QProgressDialog* progress : m_window->findChildren<QProgressDialog*>()) {
                if (progress->isVisible())
                    visibleAtReady << progress->labelText();
            }
        };

        click("cmdCnv");

        qApp->removeEventFilter(&shown);
        QCOMPARE(shown.count > 0, slow);
        QCOMPARE(m_messages.texts, QStringList(QStringLiteral("Ready!")));
        QCOMPARE(visibleAtReady, QStringList());
        QCOMPARE(TestFiles::read(output),
                 TvkLayout::header("A", "B", qint32(size), 0) + QByteArray(size, 'l'));
        QCOMPARE(box("txtName")->text(), QStringLiteral("A"));
        QCOMPARE(box("fnOut")->text(), QDir::toNativeSeparators(output));
    }

    // Drags carry file URLs, as a file manager's do; each is delivered where a
    // person would let go: on a row's box or button, or on the window's background.
    void drop_files_fillTheBoxesOrAreRefused_data()
    {
        QTest::addColumn<QString>("at");
        QTest::addColumn<QStringList>("files");
        // What fnInL, fnInR and fnOut hold afterwards.
        QTest::addColumn<QStringList>("expected");
        const QString l = QStringLiteral("a.ico");
        const QString r = QStringLiteral("b.ICO");
        const QString t = QStringLiteral("c.tvk");
        const QString kept = QStringLiteral("(placeholder)");
        QTest::newRow("any file on the left box")
            << "fnInL" << QStringList{t} << QStringList{t, kept, kept};
        QTest::newRow("on the right Browse button")
            << "cmdBIR" << QStringList{l} << QStringList{kept, l, kept};
        QTest::newRow("on the output box")
            << "fnOut" << QStringList{t} << QStringList{kept, kept, t};
        QTest::newRow("on the window, sorted by extension")
            << "background" << QStringList{t, l, r} << QStringList{l, r, t};
        QTest::newRow("two files on one row")
            << "fnInL" << QStringList{l, r} << QStringList{kept, kept, kept};
        QTest::newRow("three icons on the window")
            << "background" << QStringList{l, r, QStringLiteral("d.ico")}
            << QStringList{kept, kept, kept};
        QTest::newRow("pictures on the window, as icons")
            << "background" << QStringList{t, QStringLiteral("p.png"), QStringLiteral("q.JPEG")}
            << QStringList{QStringLiteral("p.png"), QStringLiteral("q.JPEG"), t};
        QTest::newRow("neither icon nor package on the window")
            << "background" << QStringList{QStringLiteral("e.txt")}
            << QStringList{kept, kept, kept};
        QTest::newRow("on a name box, sorted by extension")
            << "txtName" << QStringList{t, l} << QStringList{l, kept, t};
        QTest::newRow("neither icon nor package on a name box")
            << "txtAuth" << QStringList{QStringLiteral("e.txt")} << QStringList{kept, kept, kept};
        QTest::newRow("not a local file")
            << "fnInL" << QStringList{QStringLiteral("https://x/a.ico")}
            << QStringList{kept, kept, kept};
        QTest::newRow("a name that is not UTF-8")
            << "fnInL" << QStringList{QStringLiteral("file:///tmp/caf%E9.ico")}
            << QStringList{kept, kept, kept};
    }

    void drop_files_fillTheBoxesOrAreRefused()
    {
        QFETCH(QString, at);
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << (file.contains(QLatin1Char(':')) ? QUrl(file)
                                                     : QUrl::fromLocalFile(path(file)));
        // File managers offer the URLs as plain text too, which a text box takes.
        QMimeData data;
        data.setUrls(urls);
        data.setText(QUrl::toStringList(urls).join(QLatin1Char('\n')));
        // The background: below the output row, beside nothing. A name box is
        // sent the events itself, as it takes drops of its own.
        const bool onNameBox = at.startsWith(QLatin1String("txt"));
        QWidget* receiver = onNameBox ? control(qPrintable(at)) : m_window.get();
        const QPoint position =
            onNameBox ? receiver->rect().center()
            : at == QLatin1String("background")
                ? QPoint(m_window->width() / 2, box("fnOut")->geometry().bottom() + 4)
                : control(qPrintable(at))->geometry().center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::LinkAction;
        const char* boxes[] = {"fnInL", "fnInR", "fnOut"};
        const auto tinted = [&] {
            QList<bool> tints;
            for (const char* name : boxes)
                tints << (box(name)->palette().color(QPalette::Disabled, QPalette::Base) !=
                          m_window->palette().color(QPalette::Disabled, QPalette::Base));
            return tints;
        };

        QDragEnterEvent enter(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(receiver, &enter);
        QDragMoveEvent move(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(receiver, &move);
        const QList<bool> tintedWhileDragged = tinted();
        QDropEvent drop(position, actions, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(receiver, &drop);

        const bool refused = expected == QStringList(3, QStringLiteral("(placeholder)"));
        QCOMPARE(move.isAccepted(), !refused);
        const QStringList placeholders = {QStringLiteral("Input name - Left ICO"),
                                          QStringLiteral("Input name - Right ICO"),
                                          QStringLiteral("Output name - Complete TVK")};
        QCOMPARE(tinted(), QList<bool>(3, false));
        QCOMPARE(box("txtName")->text(), QStringLiteral("Tovrik name"));
        QCOMPARE(box("txtAuth")->text(), QStringLiteral("Author Name"));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tintedWhileDragged.at(i), expected.at(i) != QLatin1String("(placeholder)"));
            const QString wanted = expected.at(i) == QLatin1String("(placeholder)")
                                       ? placeholders.at(i)
                                       : QDir::toNativeSeparators(path(expected.at(i)));
            QTRY_COMPARE(box(boxes[i])->text(), wanted);
        }
    }

    // Whether a dropped file is a folder is seen beside the window once it is dropped:
    // a stalled look holds the drop alone; a folder is told, and nothing is placed.
    void drop_checkedBesideTheWindow_placedOnceSeenFolderTold()
    {
        const QString folder = path(QStringLiteral("folder.ico"));
        QVERIFY(QDir().mkpath(folder));
        const auto stalled = stall();
        const auto dropOn = [this](const char* row, const QString& file) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(file)});
            const QPoint position = control(row)->geometry().center();
            QDragEnterEvent enter(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_window.get(), &enter);
            QDropEvent drop(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_window.get(), &drop);
        };

        dropOn("fnInL", path(QStringLiteral("a.ico")));
        click("txtName");
        QTest::keyClicks(control("txtName"), QStringLiteral("typed"));
        QCOMPARE(box("txtName")->text(), QStringLiteral("typed"));
        QCOMPARE(box("fnInL")->text(), QStringLiteral("Input name - Left ICO"));
        *stalled = false;
        QTRY_COMPARE(box("fnInL")->text(), QDir::toNativeSeparators(path(QStringLiteral("a.ico"))));
        dropOn("fnInR", folder);
        QTRY_COMPARE(m_messages.texts,
                     QStringList(QStringLiteral("Cannot place %1 in a box:\nIt is a folder.")
                                     .arg(QDir::toNativeSeparators(folder))));
        QCOMPARE(box("fnInR")->text(), QStringLiteral("Input name - Right ICO"));
    }

    // Files that do not fit the boxes are refused whole, each misfit named with why, for the
    // box that tells a refusal of the program's own arguments.
    void dropOnWindow_misfits_eachNamedWithWhy_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected");
        QTest::newRow("third icon") << QStringList{"a.ico", "b.JPEG", "c.webp"}
                                    << "c.webp is a third icon or picture; the window takes two.";
        QTest::newRow("second TVK file and a text")
            << QStringList{"x.txt", "a.tvk", "b.tvk"}
            << "x.txt is neither an icon or picture nor a .tvk file.\n"
               "b.tvk is a second .tvk file; the window takes one.";
    }

    void dropOnWindow_misfits_eachNamedWithWhy()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        const Result<FileDrop::Placement> placed = FileDrop::onWindow(files);
        QVERIFY(placed.failed());
        QCOMPARE(placed.reason(), expected);
    }

    void drop_textOnNameBox_goesIntoTheName()
    {
        QLineEdit* name = box("txtName");
        name->clear();
        QMimeData data;
        data.setText(QStringLiteral("Cafe"));
        const QPoint position = name->rect().center();
        QDragEnterEvent enter(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(name, &enter);
        QDragMoveEvent move(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(name, &move);
        QDropEvent drop(position, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(name, &drop);

        QCOMPARE(name->text(), QStringLiteral("Cafe"));
        QCOMPARE(box("fnInL")->text(), QStringLiteral("Input name - Left ICO"));
    }

    void tooltip_showsWhatTheFileIs_data()
    {
        QTest::addColumn<QString>("boxName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        // What the box's mark says (to a screen reader too), empty for no mark.
        QTest::addColumn<QString>("meaning");
        QTest::addColumn<int>("previews");
        QByteArray huge = "\x89PNG\r\n\x1a\n";
        // 9000 by 9000 pixels, as its header says.
        huge += TestPictures::pngChunk("IHDR", QByteArray::fromHex("00002328000023280806000000")) +
                TestPictures::pngChunk("IDAT", {}) + TestPictures::pngChunk("IEND", {});
        QTest::newRow("ICO file") << "fnInL" << icoFile() << "bytes; ICO file with images 16×16."
                                  << "" << 1;
        QTest::newRow("not an ICO file")
            << "fnInR" << QByteArray("hello")
            << "5 bytes; not an ICO file. It will be stored unchanged all the same."
            << "not an ICO file" << 0;
        QTest::newRow("picture") << "fnInL" << pngFile(32)
                                 << "PNG picture. It will be packed as an icon made from it, of "
                                    "16, 20, 24 and 32 pixels."
                                 << "icon made from it, of 16, 20, 24 and 32 pixels." << 4;
        QTest::newRow("picture too large") << "fnInR" << huge << "It is 9000 by 9000 pixels"
                                           << "Cannot make an icon from" << 0;
        QTest::newRow("missing") << "fnInL" << QByteArray() << "The file does not exist."
                                 << "" << 0;
        QTest::newRow("output that exists")
            << "fnOut" << QByteArray("old") << "This file exists and will be replaced."
            << "" << 0;
    }

    // On the disabled boxes too, as the mouse rests on them.
    void tooltip_showsWhatTheFileIs()
    {
        QFETCH(QString, boxName);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(QString, meaning);
        QFETCH(int, previews);
        const QString file = path(QStringLiteral("file"));
        if (!bytes.isEmpty())
            QVERIFY(TestFiles::write(file, bytes));
        m_dialogs.answers = {file};
        click(boxName == QLatin1String("fnInL")   ? "cmdBIL"
              : boxName == QLatin1String("fnInR") ? "cmdBIR"
                                                  : "cmdBOut");
        QLineEdit* target = box(qPrintable(boxName));
        QVERIFY(!target->isEnabled());
        // An icon that is not an ICO file, or a picture, is marked in its box once a worker has
        // looked; the mark's meaning is in words too, for a screen reader.
        if (boxName != QLatin1String("fnOut")) {
            const QAction* mark = target->actions().constFirst();
            QTRY_COMPARE(mark->isVisible(), !meaning.isEmpty());
            QCOMPARE(target->accessibleDescription(), mark->toolTip());
            QVERIFY2(target->accessibleDescription().contains(meaning),
                     qPrintable(target->accessibleDescription()));
            // Drawn in colour in the disabled box, at the box's size: the picture's sign
            // apart from the warning.
            const QString sign =
                previews > 1 ? QStringLiteral("picture") : QStringLiteral("warning");
            QCOMPARE(mark->icon().pixmap(16, QIcon::Disabled).toImage(),
                     QPixmap(QStringLiteral(":/icons/%1-16.png").arg(sign)).toImage());
        }

        QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), target->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(target, &hover);

        // The path at once; what the file is once a worker has read it.
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(m_window->previews().waitForDone(5000));
        QTRY_VERIFY(QToolTip::text().contains(QLatin1String("<p")) &&
                    QToolTip::text().count(QLatin1String("<p")) > 1);
        QTextDocument tip;
        tip.setHtml(QToolTip::text());
        const QString text = tip.toPlainText().remove(QChar(0x200B));
        QVERIFY2(text.contains(QDir::toNativeSeparators(file)), qPrintable(text));
        QVERIFY2(text.contains(expected), qPrintable(text));
        QCOMPARE(QToolTip::text().count(QLatin1String("<img")), previews);
        QToolTip::hideText();
    }

    // A picture is packed as the icon made from it, an ICO file beside it byte for byte.
    void convert_picture_storesAnIconMadeFromIt()
    {
        const QByteArray right = icoFile();
        const QString output = fillFields(pngFile(48), right, QStringLiteral("left.png"));
        click("cmdCnv");
        QCOMPARE(m_messages.texts, QStringList(QStringLiteral("Ready!")));
        QFile file(output);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Result<TvkContents> stored = TvkReader::read(file, 0);
        QVERIFY(!stored.failed());
        const std::optional<std::vector<IcoDirectory::Entry>> made =
            IcoDirectory::read(file, stored->leftOffset, stored->LeftLength);
        QVERIFY(made);
        QCOMPARE(IcoDirectory::sizeNames(*made),
                 QStringLiteral("16x16 20x20 24x24 32x32 40x40 48x48").split(QLatin1Char(' ')));
        QVERIFY(file.seek(stored->rightOffset));
        QCOMPARE(file.read(stored->RightLength), right);
    }

    void returnKey_pressesTheFocusedButton()
    {
        control("cmdOpts")->setFocus(Qt::OtherFocusReason);
        QTimer::singleShot(0, this, [this] {
            if (auto* options = m_window->optionsWindow())
                options->close();
        });
        QTest::keyClick(control("cmdOpts"), Qt::Key_Return);
        QVERIFY(m_window->optionsWindow() != nullptr);

        control("cmdCnv")->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(control("cmdCnv"), Qt::Key_Enter, Qt::KeypadModifier);
        // Every box at its placeholder: each group told once, in order.
        QCOMPARE(m_messages.texts,
                 QStringList({QStringLiteral("Please select both (left and right) ICO files!"),
                              QStringLiteral("Please select output TVK file!"),
                              QStringLiteral("Enter both Tovrik and Author names!")}));
    }

    // In the light palette and in a dark one, path boxes are greyed as disabled
    // on the palette's own background; a name box greys its placeholder alone.
    void boxes_greyedOnThePalettesBase_placeholdersInItalics()
    {
        const QPalette light = QApplication::palette();
        QPalette dark = light;
        dark.setColor(QPalette::Base, QColor(0x2b, 0x2b, 0x2b));
        dark.setColor(QPalette::Disabled, QPalette::Base, QColor(0x35, 0x35, 0x35));
        dark.setColor(QPalette::Text, QColor(0xee, 0xee, 0xee));
        dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x60, 0x60, 0x60));
        m_dialogs.answers = {path(QStringLiteral("chosen.ico"))};
        click("cmdBIL");
        box("txtAuth")->setText(QStringLiteral("Ann"));
        const struct
        {
            const char* name;
            QPalette::ColorGroup group;
        } greyed[] = {{"fnInL", QPalette::Disabled},
                      {"fnInR", QPalette::Disabled},
                      {"txtName", QPalette::Active}};
        for (const QPalette& palette : {dark, light}) {
            QApplication::setPalette(palette);
            // The look follows the palette once the change reaches the window.
            QTRY_COMPARE(box("txtName")->palette().color(QPalette::Base),
                         palette.color(QPalette::Base));
            for (const auto& [name, group] : greyed) {
                const QPalette& shown = box(name)->palette();
                QCOMPARE(shown.color(group, QPalette::Base), palette.color(group, QPalette::Base));
            }
            QVERIFY(box("txtName")->palette().color(QPalette::Text) !=
                    palette.color(QPalette::Text));
            QCOMPARE(box("txtAuth")->palette().color(QPalette::Text),
                     palette.color(QPalette::Text));
        }
        QVERIFY(!box("fnInL")->font().italic());
        QVERIFY(box("fnInR")->font().italic());
        QVERIFY(box("txtName")->font().italic());
        QVERIFY(!box("txtAuth")->font().italic());
    }
};

QTEST_MAIN(frmMainTest)
#include "tst_frmMain.moc"
