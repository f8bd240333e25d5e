#pragma once

#include "package/PackageWriter.h"
#include "ui/FileDrop.h"
#include "ui/PathWorkers.h"
#include "ui/WorkProgress.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class FileDialogService;
class MessageService;
class QLineEdit;
class QPushButton;
class PrivateFolder;
class PreviewTips;
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

    // Fills the window from a TVK file, its icons copied into a private folder
    // removed with the window; a file that cannot be opened is told, and changes nothing.
    void loadPackage(const QString& path);
    // Puts files in the boxes, as a drop of them on the window does.
    void placeFiles(const FileDrop::Placement& placement);

    // For tests only: the options window once "Options" has created it, else null.
    frmOpts* optionsWindow() const { return m_options.get(); }

    // For tests only: the tooltips of the path boxes, made on a worker thread.
    PreviewTips& previews() const { return *m_previews; }

    // For tests only: how long a conversion runs before its progress is shown.
    void setProgressDelay(std::chrono::milliseconds delay) { m_progressDelay = delay; }

    // For tests only: run on a worker before each look at a path for Browse or a drop, to
    // make it stall as a dead network share would.
    void setBeforePathCheck(std::function<void()> stall) { m_beforePathCheck = std::move(stall); }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Also follows files dragged over the window and its name boxes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A path box with its Browse button, and the path a drop gives it.
    struct PathRow
    {
        QLineEdit* box;
        QPushButton* button;
        QString FileDrop::Placement::*path;
    };
    std::array<PathRow, 3> pathRows() const;
    void addIconMarks();
    static QString iconFilters();
    void browse(QLineEdit* box);
    void askPath(QLineEdit* box, bool forSaving, const QString& folder);
    void setPath(QLineEdit* box, const QString& path);
    void convert();
    void runJob(WorkProgress::Kind kind, const QString& path, const WorkProgress::Job& job);
    // Whether the box holds its placeholder, and not a name read from a file.
    bool showsPlaceholder(const QLineEdit* box) const;
    // An opened TVK file's icon is stored as it is, a picture too, while its box holds it.
    PictureStorage picturesIn(const QLineEdit* box) const;
    void updateBoxLooks();
    void followDrag(QDropEvent* event, const QPoint& position);
    void placeDropped(const FileDrop::Placement& placement, const QStringList& files);

    std::unique_ptr<Ui::frmMain> ui;
    QHash<const QLineEdit*, QString> m_placeholders;
    // The name boxes that hold a name read from a file, unchanged since.
    QSet<const QLineEdit*> m_namesFromFile;
    // The icon boxes' paths into the private folder of the TVK file opened last.
    QHash<const QLineEdit*, QString> m_iconsFromFile;
    SettingsStore& m_settings;
    MessageService& m_messages;
    FileDialogService& m_dialogs;
    std::unique_ptr<frmOpts> m_options;
    std::unique_ptr<PrivateFolder> m_openedIcons;
    PreviewTips* m_previews;
    std::optional<FileDrop::Placement> m_dropTargets;
    std::chrono::milliseconds m_progressDelay{500};
    // A conversion or an opening under way, if any.
    WorkProgress* m_job = nullptr;
    bool m_closeAfterJob = false;
    // Set from a click on Browse until its dialog has closed.
    bool m_browsing = false;
    // The drops so far: a drop is placed only if no other came while its files were checked.
    quint64 m_drops = 0;
    std::function<void()> m_beforePathCheck;
    // Last, so that no answer comes once the rest is gone. Several at a time: a check
    // that stalls must not hold the next.
    PathWorkers m_pathChecks{this, 4};
};
