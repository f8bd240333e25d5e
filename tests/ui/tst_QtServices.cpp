#include "tests/TestSupport.h"
#include "tests/ui/ModalDriver.h"
#include "ui/QtServices.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

// The message boxes and file dialogs that the program shows for real.
class QtServicesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The service is not told the window: the box belongs to the one active as it
    // shows (the options window over the program's), and while another program
    // has the focus, to the program's window.
    void message_showsModalBoxWithTitleAndText_data()
    {
        QTest::addColumn<QString>("active");
        QTest::newRow("window active") << QStringLiteral("window");
        QTest::newRow("options window active") << QStringLiteral("options");
        QTest::newRow("no window active") << QString();
    }

    void message_showsModalBoxWithTitleAndText()
    {
        QFETCH(QString, active);
        QWidget owner;
        owner.show();
        QVERIFY(QTest::qWaitForWindowActive(&owner));
        QDialog options(&owner);
        QWidget other;
        if (active == QStringLiteral("options")) {
            options.show();
            QTRY_COMPARE(QApplication::activeWindow(), &options);
        } else if (active.isEmpty()) {
            // Hidden while active, a window leaves none active, as another
            // program taking the focus does.
            other.show();
            QTRY_COMPARE(QApplication::activeWindow(), &other);
            other.hide();
            QTRY_COMPARE(QApplication::activeWindow(), nullptr);
        }
        QtMessageService messages;

        const bool shown = whileModalShows<QMessageBox>(
            [&] {
                messages.showMessage(QStringLiteral("Ready!"), MessageService::Kind::Information);
            },
            [&](QMessageBox* box) {
                QCOMPARE(box->windowTitle(), QStringLiteral("TVK_Mak"));
                QCOMPARE(box->text(), QStringLiteral("Ready!"));
                QCOMPARE(box->parentWidget(), options.isVisible() ? &options : &owner);
                QVERIFY(box->isModal());
                box->button(QMessageBox::Ok)->click();
            });

        QVERIFY(shown);
    }

    // A long file name wraps anywhere: the box stays on the screen, the name whole,
    // and Ctrl+C copies the message as it is, the name without the breaks.
    void message_longFileName_wrapsWithinTheScreenAndCopiesExactly()
    {
        QWidget owner;
        owner.show();
        QtMessageService messages;
        const QString name =
            QStringLiteral("/tmp/") + QString(300, QLatin1Char('n')) + QStringLiteral(".tvk");

        const bool shown = whileModalShows<QMessageBox>(
            [&] {
                messages.showMessage(QStringLiteral("Cannot write file %1:\nNo space.").arg(name),
                                     MessageService::Kind::Error);
            },
            [&](QMessageBox* box) {
                QVERIFY(box->width() <= box->screen()->availableGeometry().width());
                // The longest piece that cannot be broken fits in the box.
                const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                if (label == nullptr) {
                    QFAIL("The message box has no label.");
                    return;
                }
                QVERIFY(label->minimumSizeHint().width() <= box->width());
                QVERIFY(box->text().remove(QChar(0x200B)).contains(name));
                QVERIFY(QTest::qWaitForWindowActive(box));
                QTest::keySequence(box, QKeySequence::Copy);
                QCOMPARE(QGuiApplication::clipboard()->text(),
                         QStringLiteral("Cannot write file %1:\nNo space.").arg(name));
                box->button(QMessageBox::Ok)->click();
            });

        QVERIFY(shown);
    }

    // Chosen, the path comes back; cancelled, the empty text.
    void askFile_showsTheRequestAndReturnsTheAnswer_data()
    {
        QTest::addColumn<bool>("forSaving");
        QTest::addColumn<QString>("filter");
        QTest::newRow("open, chosen")
            << false << QStringLiteral("ICON files (*.ico);;Pictures (*.png *.svg)");
        QTest::newRow("save, cancelled") << true << QStringLiteral("Tovrik img files (*.tvk)");
    }

    void askFile_showsTheRequestAndReturnsTheAnswer()
    {
        QFETCH(bool, forSaving);
        QFETCH(QString, filter);
#ifdef Q_OS_WIN
        if (!forSaving)
            QSKIP("Windows shows its own file dialog, which a test cannot choose a file in.");
#endif
        QTemporaryDir dir;
        const QString chosen = dir.filePath(QStringLiteral("left.ico"));
        QVERIFY(TestFiles::write(chosen, "icon"));
        QtFileDialogService dialogs;
        const FileDialogService::Request request{QStringLiteral("ICO -> TVK"), filter, dir.path()};
        QString answer = QStringLiteral("not asked");

        const bool shown = whileModalShows<QFileDialog>(
            [&] {
                answer = forSaving ? dialogs.askSaveFile(request) : dialogs.askOpenFile(request);
            },
            [&](QFileDialog* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("ICO -> TVK"));
                QCOMPARE(dialog->acceptMode(),
                         forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
                QCOMPARE(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
                QCOMPARE(dialog->nameFilters(), filter.split(QStringLiteral(";;")));
                QCOMPARE(dialog->selectedNameFilter(), dialog->nameFilters().constFirst());
                if (forSaving) {
                    dialog->reject();
                    return;
                }
                dialog->selectFile(chosen);
                static_cast<QDialog*>(dialog)->accept();
            });

        QVERIFY(shown);
        QCOMPARE(answer, forSaving ? QString() : chosen);
    }
};

QTEST_MAIN(QtServicesTest)
#include "tst_QtServices.moc"
