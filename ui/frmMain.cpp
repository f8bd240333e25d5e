#include "ui/frmMain.h"

#include "ui_frmMain.h"

#include "files/DisplayText.h"
#include "files/PrivateFolder.h"
#include "format/SingleByteText.h"
#include "host/ProgramInfo.h"
#include "settings/SettingsStore.h"
#include "ui/BoxLook.h"
#include "ui/Conversion.h"
#include "ui/FileDialogService.h"
#include "ui/FilePreview.h"
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
#include <QToolTip>

namespace {
bool isFileDrag(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return static_cast<const QDropEvent*>(event)->mimeData()->hasUrls();
    default:
        return false;
    }
}

// A warning sign of our own rather than the platform's (whose stock icons come
// through the Windows shell), in full colour in a disabled box too.
QIcon warningSign()
{
    QIcon sign;
    for (const int size : {16, 24, 32, 48, 64}) {
        const QPixmap pixmap(QStringLiteral(":/icons/warning-%1.png").arg(size));
        sign.addPixmap(pixmap, QIcon::Normal);
        sign.addPixmap(pixmap, QIcon::Disabled);
    }
    return sign;
}

// Where the first character that a TVK file cannot store is, and how many
// UTF-16 units it takes; nothing when the text can be stored.
std::optional<std::pair<qsizetype, qsizetype>> unstorableCharacter(const QString& text)
{
    const std::optional<char32_t> character = SingleByteText::encode(text).unencodable;
    if (!character)
        return std::nullopt;
    const QString wanted = QString::fromUcs4(&*character, 1);
    return std::pair{text.indexOf(wanted), wanted.size()};
}
} // namespace

frmMain::frmMain(SettingsStore& settings, MessageService& messages, FileDialogService& dialogs,
                 QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmMain>()), m_settings(settings),
      m_messages(messages), m_dialogs(dialogs), m_previews(new PreviewTips(this))
{
    ui->setupUi(this);
    // The texts the boxes start with, as the form gives them, are their
    // placeholders: a box still holding its own counts as empty.
    m_placeholders = {ui->fnInL->text(), ui->fnInR->text(), ui->fnOut->text(), ui->txtName->text(),
                      ui->txtAuth->text()};
    FormFont::fit(this);
    // A window reached by dragging files from a file manager is not active yet;
    // its previews must show all the same. (Not on Windows: under Wine, a window
    // with this attribute can hang in being hidden; it was not tried on Windows.)
#ifndef Q_OS_WIN
    setAttribute(Qt::WA_AlwaysShowToolTips);
#endif

    connectButtons();
    connectNameBoxes();
    addNotIcoMarks();
    ReturnPressesButton::installOn(this);
    setAcceptDrops(true);
    for (QLineEdit* box : std::initializer_list<QLineEdit*>{ui->fnInL, ui->fnInR, ui->fnOut,
                                                            ui->txtName, ui->txtAuth}) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, &frmMain::updateBoxLooks);
    }
    updateBoxLooks();
}

void frmMain::connectButtons()
{
    const QString iconFilter = tr("ICON files (*.ico)");
    connect(ui->cmdBIL, &QPushButton::clicked, this, [this, iconFilter] {
        browse(ui->fnInL, iconFilter, ProgramSettings::iconFolderKey, false);
    });
    connect(ui->cmdBIR, &QPushButton::clicked, this, [this, iconFilter] {
        browse(ui->fnInR, iconFilter, ProgramSettings::iconFolderKey, false);
    });
    connect(ui->cmdBOut, &QPushButton::clicked, this, [this] {
        browse(ui->fnOut, tr("Tovrik img files (*.tvk)"), ProgramSettings::packageFolderKey, true);
    });
    connect(ui->cmdCnv, &QPushButton::clicked, this, &frmMain::convert);
    connect(ui->cmdOpts, &QPushButton::clicked, this, &frmMain::openOptions);
}

void frmMain::connectNameBoxes()
{
    for (NameBox* box : {ui->txtName, ui->txtAuth}) {
        // A click in a name box that still shows its placeholder makes room for typing.
        connect(box, &NameBox::clicked, this, [this, box] {
            if (showsPlaceholder(box))
                box->clear();
        });
        // A name read from a file is the file's, even where it is the placeholder's
        // text, until the user changes it.
        connect(box, &QLineEdit::textEdited, this, [this, box] {
            m_namesFromFile.remove(box);
            updateBoxLooks();
        });
    }
}

// The warning sign in an icon box whose file is not an ICO file.
void frmMain::addNotIcoMarks()
{
    const QIcon sign = warningSign();
    for (QLineEdit* box : {ui->fnInL, ui->fnInR}) {
        QAction* mark = box->addAction(sign, QLineEdit::TrailingPosition);
        mark->setToolTip(tr("This file is not an ICO file. It will be stored unchanged all the "
                            "same."));
        mark->setVisible(false);
        // Looked at by a worker, since the path may stall; told if still the box's.
        connect(box, &QLineEdit::textChanged, mark, [this, box, mark] {
            mark->setVisible(false);
            if (!showsPlaceholder(box) && !box->text().isEmpty())
                m_previews->checkIcon(box->text());
        });
        connect(m_previews, &PreviewTips::iconChecked, mark,
                [box, mark](const QString& path, bool notIco) {
                    if (box->text() == path)
                        mark->setVisible(notIco);
                });
    }
}

frmMain::~frmMain() = default;

void frmMain::loadPackage(const QString& path)
{
    // A folder of its own for each file opened, so that a failure leaves the
    // icons of the one opened before.
    auto folder = std::make_unique<PrivateFolder>();
    if (const Outcome made = folder->create(ProgramInfo::title); made.failed()) {
        m_messages.showMessage(tr("Cannot make a folder for the icons of %1:\n%2")
                                   .arg(DisplayText::displayPath(path), made.reason()),
                               MessageService::Kind::Error);
        return;
    }
    Result<PackageRequest> opened = Result<PackageRequest>::cancelled();
    runJob(WorkProgress::Kind::Opening, path, [&](const WriteProgress& report) {
        opened = OpenedPackage::open(path, *folder, report);
    });
    if (m_closeAfterJob) {
        close();
        return;
    }
    if (opened.isCancelled())
        return;
    if (opened.failed()) {
        m_messages.showMessage(opened.reason(), MessageService::Kind::Warning);
        return;
    }
    m_openedIcons = std::move(folder);
    setPath(ui->fnInL, opened->leftPath);
    setPath(ui->fnInR, opened->rightPath);
    setPath(ui->fnOut, opened->outputPath);
    m_namesFromFile = {ui->txtName, ui->txtAuth};
    ui->txtName->setText(opened->name);
    ui->txtAuth->setText(opened->author);
    updateBoxLooks();
}

// Runs a job on files beside the window; a close meanwhile cancels it, and
// the caller closes the window once it has ended.
void frmMain::runJob(WorkProgress::Kind kind, const QString& path, const WorkProgress::Job& job)
{
    WorkProgress progress(this, kind, QFileInfo(path).fileName(), m_progressDelay);
    {
        const QScopedValueRollback running(m_job, &progress);
        progress.run(job);
    }
}

frmOpts* frmMain::optionsWindow() const
{
    return m_options.get();
}

void frmMain::browse(QLineEdit* box, const QString& filter, const QString& folderKey,
                     bool forSaving)
{
    // The folder is read at every Browse, so a change in the options applies at once.
    QString folder =
        m_settings.get(ProgramSettings::application, ProgramSettings::section, folderKey);
    // A folder that is gone is no usable folder: the dialog opens where the
    // platform's dialog opens by default, instead of in its parent with its name
    // typed as the file name.
    if (!QFileInfo(folder).isDir())
        folder.clear();
    const FileDialogService::Request request{tr("ICO -> TVK"), filter, folder};
    setPath(box, forSaving ? m_dialogs.askSaveFile(request) : m_dialogs.askOpenFile(request));
}

void frmMain::setPath(QLineEdit* box, const QString& path)
{
    box->setText(path);
    // The box is too narrow for most paths; the tip shows the whole of it.
    box->setToolTip(QDir::toNativeSeparators(path));
}

bool frmMain::showsPlaceholder(const QLineEdit* box) const
{
    return box->text() == placeholderOf(box) && !m_namesFromFile.contains(box);
}

PackageRequest frmMain::placeholdersNow() const
{
    PackageRequest placeholders = m_placeholders;
    if (m_namesFromFile.contains(ui->txtName))
        placeholders.name.clear();
    if (m_namesFromFile.contains(ui->txtAuth))
        placeholders.author.clear();
    return placeholders;
}

const QString& frmMain::placeholderOf(const QLineEdit* box) const
{
    if (box == ui->fnInL)
        return m_placeholders.leftPath;
    if (box == ui->fnInR)
        return m_placeholders.rightPath;
    if (box == ui->txtName)
        return m_placeholders.name;
    if (box == ui->txtAuth)
        return m_placeholders.author;
    return m_placeholders.outputPath;
}

void frmMain::updateBoxLooks()
{
    const FileDrop::Placement targets = m_dropTargets.value_or(FileDrop::Placement{});
    for (const auto& [box, target] :
         {std::pair{ui->fnInL, targets.left}, std::pair{ui->fnInR, targets.right},
          std::pair{ui->fnOut, targets.output}}) {
        BoxLook::applyToPath(box, palette(), {showsPlaceholder(box), !target.isEmpty()});
    }
    for (QLineEdit* box : std::initializer_list<QLineEdit*>{ui->txtName, ui->txtAuth})
        BoxLook::applyToName(box, palette(), showsPlaceholder(box));
}

void frmMain::showDropTargets(const std::optional<FileDrop::Placement>& targets)
{
    m_dropTargets = targets;
    updateBoxLooks();
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
    if (box == ui->txtName || box == ui->txtAuth) {
        // Files dragged over a name box are the window's to place; only text
        // goes into the name.
        if (event->type() == QEvent::DragLeave)
            showDropTargets(std::nullopt);
        if (!isFileDrag(event))
            return QWidget::eventFilter(watched, event);
        auto* drag = static_cast<QDropEvent*>(event);
        const QPoint position = box->mapTo(this, drag->position().toPoint());
        if (event->type() == QEvent::Drop)
            dropFiles(drag, position);
        else
            followDrag(drag, position);
        return true;
    }
    if (event->type() != QEvent::ToolTip || box == nullptr)
        return QWidget::eventFilter(watched, event);
    // Only a chosen path has a tip; placeholders and empty boxes have none.
    const QString path = box->text();
    if (path.isEmpty() || showsPlaceholder(box)) {
        QToolTip::hideText();
        return true;
    }
    m_previews->show(box, path, box == ui->fnOut, static_cast<QHelpEvent*>(event)->globalPos());
    return true;
}

std::optional<FileDrop::Placement> frmMain::placementAt(const QMimeData& data,
                                                        const QPoint& position) const
{
    const std::optional<QStringList> files = FileDrop::localFiles(data);
    if (!files)
        return std::nullopt;
    const struct
    {
        FileDrop::Row row;
        QWidget* box;
        QWidget* button;
    } rows[] = {{FileDrop::Row::Left, ui->fnInL, ui->cmdBIL},
                {FileDrop::Row::Right, ui->fnInR, ui->cmdBIR},
                {FileDrop::Row::Output, ui->fnOut, ui->cmdBOut}};
    for (const auto& row : rows) {
        if (row.box->geometry().united(row.button->geometry()).contains(position))
            return FileDrop::onRow(row.row, *files);
    }
    return FileDrop::onWindow(*files);
}

void frmMain::followDrag(QDropEvent* event, const QPoint& position)
{
    const std::optional<FileDrop::Placement> placement = placementAt(*event->mimeData(), position);
    showDropTargets(placement);
    // Entering is accepted for any files, so that moves over the rows are seen;
    // each move then says whether a drop there would do anything.
    if (placement ||
        (event->type() == QEvent::DragEnter && FileDrop::localFiles(*event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmMain::dropFiles(QDropEvent* event, const QPoint& position)
{
    showDropTargets(std::nullopt);
    const std::optional<FileDrop::Placement> placement = placementAt(*event->mimeData(), position);
    if (!placement) {
        event->ignore();
        return;
    }
    placeFiles(*placement);
    event->acceptProposedAction();
}

void frmMain::placeFiles(const FileDrop::Placement& placement)
{
    for (const auto& [box, path] :
         {std::pair{ui->fnInL, placement.left}, std::pair{ui->fnInR, placement.right},
          std::pair{ui->fnOut, placement.output}}) {
        if (!path.isEmpty())
            setPath(box, path);
    }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    followDrag(event, event->position().toPoint());
}

void frmMain::dragMoveEvent(QDragMoveEvent* event)
{
    followDrag(event, event->position().toPoint());
}

void frmMain::dragLeaveEvent(QDragLeaveEvent* /*event*/)
{
    showDropTargets(std::nullopt);
}

void frmMain::dropEvent(QDropEvent* event)
{
    dropFiles(event, event->position().toPoint());
}

void frmMain::convert()
{
    // Events are handled while writing; a second conversion must not start from
    // within the first.
    if (m_job)
        return;
    const PackageRequest inputs{ui->fnInL->text(), ui->fnInR->text(), ui->fnOut->text(),
                                ui->txtName->text(), ui->txtAuth->text()};
    const PackageRequest placeholders = placeholdersNow();
    const std::optional<Outcome> ended =
        Conversion::run(inputs, placeholders, m_messages, [this](const PackageRequest& request) {
            Outcome written = Outcome::cancelled();
            runJob(WorkProgress::Kind::Writing, request.outputPath,
                   [&](const WriteProgress& report) {
                       written = PackageWriter::write(request, report);
                   });
            return written;
        });
    // Names are refused, before anything is written, for a character they cannot store.
    if (ended && ended->refused())
        pointAtUnstorableCharacter();
    if (m_closeAfterJob)
        close();
}

// A name refused for a character that a TVK file cannot store: the user is taken
// to that character, to change it.
void frmMain::pointAtUnstorableCharacter()
{
    for (QLineEdit* box : std::initializer_list<QLineEdit*>{ui->txtName, ui->txtAuth}) {
        if (const auto character = unstorableCharacter(box->text())) {
            box->setFocus(Qt::OtherFocusReason);
            box->setSelection(int(character->first), int(character->second));
            return;
        }
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // Closed while writing: the writing stops, keeping the earlier file, and the
    // window closes once it has.
    if (m_job) {
        m_job->cancel();
        m_closeAfterJob = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void frmMain::openOptions()
{
    if (!m_options)
        m_options = std::make_unique<frmOpts>(m_settings, m_messages, this);
    m_options->showModal();
}
