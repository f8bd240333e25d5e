#include "ui/frmMain.h"

#include "ui_frmMain.h"

#include "files/DisplayText.h"
#include "files/PrivateFolder.h"
#include "files/SystemFiles.h"
#include "format/SingleByteText.h"
#include "host/ProgramInfo.h"
#include "package/PictureIcon.h"
#include "settings/SettingsStore.h"
#include "ui/BoxLook.h"
#include "ui/Conversion.h"
#include "ui/FileDialogService.h"
#include "ui/FormFont.h"
#include "ui/MessageService.h"
#include "ui/OpenedPackage.h"
#include "ui/PreviewTips.h"
#include "ui/ReturnPressesButton.h"
#include "ui/frmOpts.h"

#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMimeData>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <utility>

namespace {
// How long Browse waits for the stored folder to answer: long enough for a disk that wakes up.
constexpr std::chrono::seconds kFolderWait(2);
} // namespace

frmMain::frmMain(SettingsStore& settings, MessageService& messages, FileDialogService& dialogs,
                 QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmMain>()), m_settings(settings),
      m_messages(messages), m_dialogs(dialogs), m_previews(new PreviewTips(this))
{
    ui->setupUi(this);
    FormFont::fit(this);
    // Tips show in a window not yet active, as one that files are dragged onto is.
    // (Not on Windows: under Wine such a window can hang when hidden; untried on Windows.)
#ifndef Q_OS_WIN
    setAttribute(Qt::WA_AlwaysShowToolTips);
#endif

    for (const PathRow& row : pathRows())
        connect(row.button, &QPushButton::clicked, this, [this, box = row.box] { browse(box); });
    connect(ui->cmdCnv, &QPushButton::clicked, this, &frmMain::convert);
    connect(ui->cmdOpts, &QPushButton::clicked, this, [this] {
        if (!m_options)
            m_options = std::make_unique<frmOpts>(m_settings, m_messages, this);
        m_options->showModal();
    });
    for (NameBox* box : {ui->txtName, ui->txtAuth}) {
        // A click in a name box that still shows its placeholder makes room for typing.
        connect(box, &NameBox::clicked, this, [this, box] {
            if (showsPlaceholder(box))
                box->clear();
        });
        // A name read from a file is the file's, even as the placeholder's text, until edited.
        connect(box, &QLineEdit::textEdited, this, [this, box] {
            m_namesFromFile.remove(box);
            updateBoxLooks();
        });
    }
    addIconMarks();
    ReturnPressesButton::installOn(this);
    setAcceptDrops(true);
    installEventFilter(this);
    for (QLineEdit* box : std::initializer_list<QLineEdit*>{ui->fnInL, ui->fnInR, ui->fnOut,
                                                            ui->txtName, ui->txtAuth}) {
        // The form's texts are the placeholders: a box still holding its own counts as empty.
        m_placeholders.insert(box, box->text());
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, &frmMain::updateBoxLooks);
    }
    updateBoxLooks();
}

std::array<frmMain::PathRow, 3> frmMain::pathRows() const
{
    return {{{ui->fnInL, ui->cmdBIL, &FileDrop::Placement::left},
             {ui->fnInR, ui->cmdBIR, &FileDrop::Placement::right},
             {ui->fnOut, ui->cmdBOut, &FileDrop::Placement::output}}};
}

namespace {

// Our own signs, not the platform's (from the Windows shell), in full colour when disabled.
QIcon markSign(const QString& name)
{
    QIcon sign;
    for (const int size : {16, 24, 32, 48, 64}) {
        const QPixmap pixmap(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size));
        sign.addPixmap(pixmap, QIcon::Normal);
        sign.addPixmap(pixmap, QIcon::Disabled);
    }
    return sign;
}

} // namespace

void frmMain::addIconMarks()
{
    const QIcon warning = markSign(QStringLiteral("warning"));
    const QIcon picture = markSign(QStringLiteral("picture"));
    for (QLineEdit* box : {ui->fnInL, ui->fnInR}) {
        QAction* mark = box->addAction(warning, QLineEdit::TrailingPosition);
        // Said in words too, for those who cannot tell the signs apart.
        const auto show = [box, mark](const QIcon& sign, const QString& meaning) {
            mark->setIcon(sign);
            mark->setToolTip(meaning);
            mark->setVisible(!meaning.isEmpty());
            box->setAccessibleDescription(meaning);
        };
        show(warning, QString());
        // Looked at by a worker, since the path may stall; told if still the box's.
        connect(box, &QLineEdit::textChanged, mark, [this, box, show, warning] {
            show(warning, QString());
            if (!showsPlaceholder(box) && !box->text().isEmpty())
                m_previews->checkIcon(box->text(), picturesIn(box));
        });
        connect(m_previews, &PreviewTips::iconChecked, mark,
                [box, show, warning, picture](const QString& path,
                                              const Result<FilePreview::MarkedIcon>& checked) {
                    if (box->text() != path)
                        return;
                    if (checked.failed())
                        show(warning, checked.reason());
                    else if (checked->mark == FilePreview::IconMark::NotIco)
                        show(warning, tr("This file is not an ICO file. It will be stored "
                                         "unchanged all the same."));
                    else if (checked->mark == FilePreview::IconMark::Picture)
                        show(picture, tr("This picture will be packed as an icon made from it, "
                                         "of %1.")
                                          .arg(PictureIcon::sizesText(checked->sizes)));
                    else
                        show(warning, QString());
                });
    }
}

frmMain::~frmMain() = default;

void frmMain::loadPackage(const QString& path)
{
    // A new folder for each file, so that a failure keeps the icons of the one opened before.
    auto folder = std::make_unique<PrivateFolder>();
    // Made beside the window too, since the temporary folder may stall.
    Outcome made = Outcome::done();
    Result<PackageRequest> opened = Result<PackageRequest>::cancelled();
    runJob(WorkProgress::Kind::Opening, path, [&](const WriteProgress& report) {
        made = folder->create(ProgramInfo::title);
        if (made.isDone())
            opened = OpenedPackage::open(path, *folder, report);
    });
    if (m_closeAfterJob) {
        close();
        return;
    }
    if (made.failed()) {
        m_messages.showMessage(tr("Cannot make a folder for the icons of %1:\n%2")
                                   .arg(DisplayText::displayPath(path), made.reason()),
                               MessageService::Kind::Error);
        return;
    }
    if (opened.isCancelled())
        return;
    if (opened.failed()) {
        m_messages.showMessage(opened.reason(), MessageService::Kind::Warning);
        return;
    }
    m_openedIcons = std::move(folder);
    m_iconsFromFile = {{ui->fnInL, QDir::toNativeSeparators(opened->leftPath)},
                       {ui->fnInR, QDir::toNativeSeparators(opened->rightPath)}};
    placeFiles({opened->leftPath, opened->rightPath, opened->outputPath});
    m_namesFromFile = {ui->txtName, ui->txtAuth};
    ui->txtName->setText(opened->name);
    ui->txtAuth->setText(opened->author);
    updateBoxLooks();
}

// A close meanwhile cancels the job; the caller closes the window once it has ended.
void frmMain::runJob(WorkProgress::Kind kind, const QString& path, const WorkProgress::Job& job)
{
    WorkProgress progress(this, kind, QFileInfo(path).fileName(), m_progressDelay);
    const QScopedValueRollback running(m_job, &progress);
    progress.run(job);
}

void frmMain::browse(QLineEdit* box)
{
    if (m_browsing)
        return;
    const bool forSaving = box == ui->fnOut;
    // The folder is read at every Browse, so a change in the options applies at once.
    // In its plain form ("\\?\C:\x" as "C:\x"), as the dialog shows every other folder.
    const QString folder = SystemFiles::plainPath(m_settings.get(
        ProgramSettings::application, ProgramSettings::section,
        forSaving ? ProgramSettings::packageFolderKey : ProgramSettings::iconFolderKey));
    if (folder.isEmpty()) {
        askPath(box, forSaving, folder);
        return;
    }
    // A folder that is gone is none: the dialog opens where the platform's opens by default,
    // not in its parent with the folder's name typed as the file name. It is looked at beside
    // the window, as it may lie on a share that stalls; one that has not answered in time is
    // left out too, since the dialog would then stall on it: a dialog that opens at once,
    // from which the user can still go there, is better than one that does not open.
    m_browsing = true;
    const auto asked = std::make_shared<bool>(false);
    const auto ask = [this, box, forSaving, asked](const QString& initialFolder) {
        if (!std::exchange(*asked, true))
            askPath(box, forSaving, initialFolder);
    };
    m_pathChecks.run(
        [folder, stall = m_beforePathCheck] {
            if (stall)
                stall();
            return QFileInfo(folder).isDir();
        },
        [ask, folder](bool isFolder) { ask(isFolder ? folder : QString()); });
    QTimer::singleShot(kFolderWait, this, [ask] { ask(QString()); });
}

void frmMain::askPath(QLineEdit* box, bool forSaving, const QString& folder)
{
    // Left for a conversion or a close that came while the folder was looked at.
    if (m_job || !isVisible()) {
        m_browsing = false;
        return;
    }
    m_browsing = true;
    const FileDialogService::Request request{
        tr("ICO -> TVK"), forSaving ? tr("Tovrik img files (*.tvk)") : iconFilters(), folder};
    const QString chosen =
        forSaving ? m_dialogs.askSaveFile(request) : m_dialogs.askOpenFile(request);
    m_browsing = false;
    setPath(box, chosen);
}

// ICO files first, as the dialog has always opened on them; pictures are made into icons.
QString frmMain::iconFilters()
{
    QStringList patterns;
    for (const char* suffix : IconMaker::kPictureSuffixes)
        patterns << QStringLiteral("*.") + QLatin1String(suffix);
    return tr("ICON files (*.ico)") + QStringLiteral(";;") +
           tr("Pictures (%1)").arg(patterns.join(QLatin1Char(' ')));
}

void frmMain::setPath(QLineEdit* box, const QString& path)
{
    // In the system's own form (backslashes on Windows), however it came: a dialog, a drop,
    // the command line or an opened file.
    const QString shown = QDir::toNativeSeparators(path);
    box->setText(shown);
    // The box is too narrow for most paths; the tip shows the whole of it.
    box->setToolTip(shown);
}

PictureStorage frmMain::picturesIn(const QLineEdit* box) const
{
    const auto opened = m_iconsFromFile.constFind(box);
    return opened != m_iconsFromFile.cend() && *opened == box->text()
               ? PictureStorage::AsTheyAre
               : PictureStorage::MadeIntoIcons;
}

bool frmMain::showsPlaceholder(const QLineEdit* box) const
{
    return !m_namesFromFile.contains(box) && box->text() == m_placeholders.value(box);
}

void frmMain::updateBoxLooks()
{
    const FileDrop::Placement targets = m_dropTargets.value_or(FileDrop::Placement{});
    for (const PathRow& row : pathRows()) {
        BoxLook::applyToPath(row.box, palette(), showsPlaceholder(row.box),
                             !(targets.*row.path).isEmpty());
    }
    for (QLineEdit* box : std::initializer_list<QLineEdit*>{ui->txtName, ui->txtAuth})
        BoxLook::applyToName(box, palette(), showsPlaceholder(box));
}

void frmMain::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        updateBoxLooks();
    QWidget::changeEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (watched == this || box == ui->txtName || box == ui->txtAuth) {
        // Files dragged over a name box are the window's to place; only text goes in the name.
        const QEvent::Type type = event->type();
        if (type == QEvent::DragLeave) {
            m_dropTargets.reset();
            updateBoxLooks();
        }
        if ((type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) ||
            !static_cast<QDropEvent*>(event)->mimeData()->hasUrls())
            return QWidget::eventFilter(watched, event);
        auto* drag = static_cast<QDropEvent*>(event);
        followDrag(drag, static_cast<QWidget*>(watched)->mapTo(this, drag->position().toPoint()));
        return true;
    }
    if (event->type() != QEvent::ToolTip || box == nullptr)
        return QWidget::eventFilter(watched, event);
    const QString path = box->text();
    if (path.isEmpty() || showsPlaceholder(box)) {
        QToolTip::hideText();
        return true;
    }
    m_previews->show(box, path, box == ui->fnOut, picturesIn(box),
                     static_cast<QHelpEvent*>(event)->globalPos());
    return true;
}

void frmMain::followDrag(QDropEvent* event, const QPoint& position)
{
    const bool dropped = event->type() == QEvent::Drop;
    const std::optional<QStringList> files = FileDrop::localFiles(*event->mimeData());
    std::optional<FileDrop::Placement> placement;
    if (files) {
        const std::array<PathRow, 3> rows = pathRows();
        const auto row = std::find_if(rows.cbegin(), rows.cend(), [&position](const PathRow& row) {
            return row.box->geometry().united(row.button->geometry()).contains(position);
        });
        if (row != rows.cend())
            placement = FileDrop::onRow(row->path, *files);
        else if (Result<FileDrop::Placement> sorted = FileDrop::onWindow(*files); !sorted.failed())
            placement = std::move(sorted.value());
    }
    m_dropTargets = dropped ? std::nullopt : placement;
    updateBoxLooks();
    if (dropped && placement)
        placeDropped(*placement, *files);
    // Entering is accepted for any files, so that moves over the rows are seen;
    // each move then says whether a drop there would do anything.
    if (placement || (event->type() == QEvent::DragEnter && files))
        event->acceptProposedAction();
    else
        event->ignore();
}

// A folder among the files is seen only now, beside the window, as the drag went by their
// names alone; it is told, since the boxes were tinted for it.
void frmMain::placeDropped(const FileDrop::Placement& placement, const QStringList& files)
{
    const quint64 drop = ++m_drops;
    m_pathChecks.run(
        [files, stall = m_beforePathCheck] {
            if (stall)
                stall();
            return FileDrop::folderAmong(files);
        },
        [this, drop, placement](const std::optional<QString>& folder) {
            if (drop != m_drops)
                return;
            if (folder)
                m_messages.showMessage(*folder, MessageService::Kind::Warning);
            else
                placeFiles(placement);
        });
}

void frmMain::placeFiles(const FileDrop::Placement& placement)
{
    for (const PathRow& row : pathRows()) {
        if (!(placement.*row.path).isEmpty())
            setPath(row.box, placement.*row.path);
    }
}

void frmMain::convert()
{
    // Events are handled while writing: no second conversion from within the first.
    if (m_job)
        return;
    const auto request = [this](const auto& textOf) {
        return PackageRequest{textOf(ui->fnInL), textOf(ui->fnInR), textOf(ui->fnOut),
                              textOf(ui->txtName), textOf(ui->txtAuth)};
    };
    PackageRequest inputs = request([](const QLineEdit* box) { return box->text(); });
    inputs.leftPictures = picturesIn(ui->fnInL);
    inputs.rightPictures = picturesIn(ui->fnInR);
    // A name read from a file has no placeholder, even where it is its text.
    const PackageRequest placeholders = request([this](const QLineEdit* box) {
        return m_namesFromFile.contains(box) ? QString() : m_placeholders.value(box);
    });
    const std::optional<Outcome> ended =
        Conversion::run(inputs, placeholders, m_messages, [this](const PackageRequest& request) {
            Outcome written = Outcome::cancelled();
            runJob(WorkProgress::Kind::Writing, request.outputPath,
                   [&](const WriteProgress& report) {
                       written = PackageWriter::write(request, report);
                   });
            return written;
        });
    // A name refused for a character a TVK file cannot store: the user is taken to it.
    for (QLineEdit* box : std::initializer_list<QLineEdit*>{ui->txtName, ui->txtAuth}) {
        if (!ended || !ended->refused())
            break;
        const std::optional<char32_t> character = SingleByteText::encode(box->text()).unencodable;
        if (!character)
            continue;
        const QString wanted = QString::fromUcs4(&*character, 1);
        box->setFocus(Qt::OtherFocusReason);
        box->setSelection(int(box->text().indexOf(wanted)), int(wanted.size()));
        break;
    }
    if (m_closeAfterJob)
        close();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Closed during a job: it stops, keeping the earlier file, and the window closes after.
    if (m_job) {
        m_job->cancel();
        m_closeAfterJob = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}
