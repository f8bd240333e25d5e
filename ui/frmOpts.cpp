#include "ui/frmOpts.h"

#include "ui_frmOpts.h"

#include "settings/SettingsStore.h"
#include "ui/FormFont.h"
#include "ui/MessageService.h"
#include "ui/ReturnPressesButton.h"

using namespace ProgramSettings;

frmOpts::frmOpts(SettingsStore& settings, MessageService& messages, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmOpts>()), m_settings(settings),
      m_messages(messages)
{
    ui->setupUi(this);
    FormFont::fit(this);
    ReturnPressesButton::installOn(this);
    connect(ui->cmdOK, &QPushButton::clicked, this, [this] {
        for (const auto& [box, key] :
             {std::pair{ui->ptICO, iconFolderKey}, std::pair{ui->ptTVK, packageFolderKey}}) {
            if (const Outcome saved = m_settings.save(application, section, key, box->text());
                saved.failed()) {
                // The window stays open with the texts as typed, so nothing is lost.
                m_messages.showMessage(saved.reason(), MessageService::Kind::Error);
                return;
            }
        }
        accept();
    });
}

frmOpts::~frmOpts() = default;

void frmOpts::showModal()
{
    if (!m_loaded) {
        ui->ptICO->setText(m_settings.get(application, section, iconFolderKey));
        ui->ptTVK->setText(m_settings.get(application, section, packageFolderKey));
        m_loaded = true;
    }
    ui->cmdOK->setFocus();
    exec();
}

void frmOpts::reject()
{
    m_loaded = false;
    QDialog::reject();
}
