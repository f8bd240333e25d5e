#pragma once

#include "base/Outcome.h"

#include <QCoreApplication>
#include <QString>

// The per-user store of text settings, addressed by application, section and key.
// Each application's settings are one INI file in the store's folder, which a
// person can read and edit; on Windows the user's store is the registry, under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\APPLICATION\SECTION.
class SettingsStore
{
    Q_DECLARE_TR_FUNCTIONS(SettingsStore)

public:
    // One INI file an application in the folder given, or one registry key an
    // application under the key given (Windows only).
    enum class Backend
    {
        IniFiles,
        Registry,
    };

    // The user's store: INI files in the configuration folder ($XDG_CONFIG_HOME
    // or ~/.config on Linux), or on Windows the registry key named above.
    static SettingsStore forUser();

    SettingsStore(Backend backend, QString location);

    QString filePath(const QString& application) const;

    // The stored value, or defaultValue when it was never saved. Creates nothing.
    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue = {}) const;

    // Stores the value, replacing any earlier one; a failure names the file.
    Outcome save(const QString& application, const QString& section, const QString& key,
                 const QString& value);

private:
    bool inRegistry() const { return m_backend == Backend::Registry; }

    Backend m_backend;
    QString m_location;
};

// Where the program keeps the default folders of its file dialogs.
namespace ProgramSettings {
inline const QString application = QStringLiteral("ICO2TVK");
inline const QString section = QStringLiteral("Options");
inline const QString iconFolderKey = QStringLiteral("ICOpth");
inline const QString packageFolderKey = QStringLiteral("TVKpth");
} // namespace ProgramSettings
