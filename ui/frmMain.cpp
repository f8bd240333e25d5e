#include "ui/frmMain.h"

#include "ui_frmMain.h"

#include "package/ConvertCommand.h"
#include "package/Placeholders.h"
#include "runtime/FileDialogService.h"
#include "settings/SettingsStore.h"
#include "ui/ConversionProgress.h"
#include "ui/FormFont.h"
#include "ui/PathBoxLook.h"
#include "ui/PreviewTips.h"
#include "ui/ReturnPressesButton.h"
#include "ui/frmOpts.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QToolTip>

namespace {
// A click in a name box that still shows its placeholder makes room for typing.
void clearPlaceholder(QLineEdit* box, const QString& placeholder)
{
    if (box->text() == placeholder)
        box->clear();
}
} // namespace

frmMain::frmMain(SettingsStore& settings, MessageService& messages, FileDialogService& dialogs,
                 QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::frmMain>()), m_settings(settings),
      m_messages(messages), m_dialogs(dialogs), m_previews(new PreviewTips(this))
{
    ui->setupUi(this);
    FormFont::fit(this);

    const QString iconFilter = tr("ICON files (*.ico)|*.ico");
    connect(ui->cmdBIL, &QPushButton::clicked, this, [this, iconFilter] {
        browse(ui->fnInL, iconFilter, ProgramSettings::iconFolderKey, false);
    });
    connect(ui->cmdBIR, &QPushButton::clicked, this, [this, iconFilter] {
        browse(ui->fnInR, iconFilter, ProgramSettings::iconFolderKey, false);
    });
    connect(ui->cmdBOut, &QPushButton::clicked, this, [this] {
        browse(ui->fnOut, tr("Tovrik img files (*.tvk)|*.tvk"), ProgramSettings::packageFolderKey,
               true);
    });
    connect(ui->cmdCnv, &QPushButton::clicked, this, &frmMain::convert);
    connect(ui->cmdOpts, &QPushButton::clicked, this, &frmMain::openOptions);
    connect(ui->txtName, &NameBox::clicked, this,
            [this] { clearPlaceholder(ui->txtName, Placeholders::name); });
    connect(ui->txtAuth, &NameBox::clicked, this,
            [this] { clearPlaceholder(ui->txtAuth, Placeholders::author); });

    ReturnPressesButton::installOn(this);
    setAcceptDrops(true);
    for (QLineEdit* box : {ui->fnInL, ui->fnInR, ui->fnOut}) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, &frmMain::updatePathBoxLook);
    }
    updatePathBoxLook();
}

frmMain::~frmMain() = default;

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

const QString& frmMain::placeholderOf(const QLineEdit* box) const
{
    if (box == ui->fnInL)
        return Placeholders::leftIcon;
    if (box == ui->fnInR)
        return Placeholders::rightIcon;
    return Placeholders::output;
}

void frmMain::updatePathBoxLook()
{
    for (QLineEdit* box : {ui->fnInL, ui->fnInR, ui->fnOut})
        PathBoxLook::apply(box, palette(), box->text() == placeholderOf(box));
}

void frmMain::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        updatePathBoxLook();
    QWidget::changeEvent(event);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (event->type() != QEvent::ToolTip || box == nullptr)
        return QWidget::eventFilter(watched, event);
    // Only a chosen path has a tip; placeholders and empty boxes have none.
    const QString path = box->text();
    if (path.isEmpty() || path == placeholderOf(box)) {
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
    // The name boxes take dropped text as text; files are not theirs to fill.
    if (ui->txtName->geometry().contains(position) || ui->txtAuth->geometry().contains(position))
        return std::nullopt;
    return FileDrop::onWindow(*files);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    // Accepted at first for any files, so that moves over the rows are seen;
    // each move then says whether a drop there would do anything.
    if (FileDrop::localFiles(*event->mimeData()))
        event->acceptProposedAction();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (placementAt(*event->mimeData(), event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void frmMain::dropEvent(QDropEvent* event)
{
    const std::optional<FileDrop::Placement> placement =
        placementAt(*event->mimeData(), event->position().toPoint());
    if (!placement) {
        event->ignore();
        return;
    }
    for (const auto& [box, path] :
         {std::pair{ui->fnInL, placement->left}, std::pair{ui->fnInR, placement->right},
          std::pair{ui->fnOut, placement->output}}) {
        if (!path.isEmpty())
            setPath(box, path);
    }
    event->acceptProposedAction();
}

void frmMain::convert()
{
    // The progress dialog handles events while writing; a second conversion must
    // not start from within the first.
    if (m_converting)
        return;
    const QScopedValueRollback converting(m_converting, true);
    const PackageRequest fields{ui->fnInL->text(), ui->fnInR->text(), ui->fnOut->text(),
                                ui->txtName->text(), ui->txtAuth->text()};
    ConversionProgress progress(this, fields.outputPath, m_progressDelay);
    ConvertCommand::run(
        fields, m_messages,
        [&progress](qint64 written, qint64 total) { return progress.update(written, total); },
        [&progress] { progress.finish(); });
}

void frmMain::openOptions()
{
    if (!m_options)
        m_options = std::make_unique<frmOpts>(m_settings, m_messages, this);
    m_options->showModal();
}
