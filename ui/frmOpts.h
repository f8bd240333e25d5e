#pragma once

#include <QDialog>

#include <memory>

class MessageService;
class SettingsStore;

namespace Ui {
class frmOpts;
}

// The options window: the default folders in which the main window's file
// dialogs open. It is loaded (filled from the settings) when first shown and
// again after the user closed it; OK saves and only hides it, so the next
// opening shows the same texts without reading the settings.
class frmOpts : public QDialog
{
    Q_OBJECT

public:
    frmOpts(SettingsStore& settings, MessageService& messages, QWidget* parent = nullptr);
    ~frmOpts() override;

    void showModal();
    bool isLoaded() const { return m_loaded; }

    // Closing the window without OK drops the edits: it is loaded anew next time.
    void reject() override;

private:
    std::unique_ptr<Ui::frmOpts> ui;
    SettingsStore& m_settings;
    MessageService& m_messages;
    bool m_loaded = false;
};
