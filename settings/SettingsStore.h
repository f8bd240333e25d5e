#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

// The per-user store of text settings, addressed by application, section and key.
// Each application's settings are one INI file in the store's folder, which a
// person can read and edit.
class SettingsStore
{
    Q_DECLARE_TR_FUNCTIONS(SettingsStore)

public:
    // The user's configuration folder ($XDG_CONFIG_HOME or ~/.config on Linux).
    static QString userFolder();

    explicit SettingsStore(QString folder = userFolder());

    QString filePath(const QString& application) const;

    // The stored value, or defaultValue when it was never saved. Creates nothing.
    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue = {}) const;

    // Stores the value, replacing any earlier one; a get that follows returns it.
    // Returns a message for the user, naming the file and the reason, when the
    // value could not be stored.
    std::optional<QString> save(const QString& application, const QString& section,
                                const QString& key, const QString& value);

private:
    QString m_folder;
};

// Where the program keeps the default folders of its file dialogs.
namespace ProgramSettings {
inline const QString application = QStringLiteral("ICO2TVK");
inline const QString section = QStringLiteral("Options");
inline const QString iconFolderKey = QStringLiteral("ICOpth");
inline const QString packageFolderKey = QStringLiteral("TVKpth");
} // namespace ProgramSettings
