#include "ui/frmMain.h"

#include "ui_frmMain.h"

#include "package/ConvertCommand.h"
#include "package/Placeholders.h"
#include "runtime/FileDialogService.h"
#include "settings/SettingsStore.h"
#include "ui/ConversionProgress.h"
#include "ui/FormFont.h"
#include "ui/frmOpts.h"

#include <QDir>
#include <QScopedValueRollback>

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
      m_messages(messages), m_dialogs(dialogs)
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
    const FileDialogService::Request request{
        tr("ICO -> TVK"), filter,
        m_settings.get(ProgramSettings::application, ProgramSettings::section, folderKey)};
    const QString chosen =
        forSaving ? m_dialogs.askSaveFile(request) : m_dialogs.askOpenFile(request);
    box->setText(chosen);
    // The box is too narrow for most paths; the tip shows the whole of it.
    box->setToolTip(QDir::toNativeSeparators(chosen));
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
