#pragma once

#include <QWidget>

#include <chrono>
#include <memory>

class FileDialogService;
class MessageService;
class QLineEdit;
class SettingsStore;
class frmOpts;

namespace Ui {
class frmMain;
}

// The program's window: two icon paths, the output path, the image name and the
// author's name, the Browse buttons that fill the paths, "Convert!" and "Options".
class frmMain : public QWidget
{
    Q_OBJECT

public:
    frmMain(SettingsStore& settings, MessageService& messages, FileDialogService& dialogs,
            QWidget* parent = nullptr);
    ~frmMain() override;

    // For tests only: the options window once "Options" has created it, else null.
    frmOpts* optionsWindow() const;

    // For tests only: how long a conversion runs before its progress is shown.
    void setProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }

private:
    void browse(QLineEdit* box, const QString& filter, const QString& folderKey, bool forSaving);
    void convert();
    void openOptions();

    std::unique_ptr<Ui::frmMain> ui;
    SettingsStore& m_settings;
    MessageService& m_messages;
    FileDialogService& m_dialogs;
    std::unique_ptr<frmOpts> m_options;
    std::chrono::milliseconds m_progressDelay{500};
    bool m_converting = false;
};
