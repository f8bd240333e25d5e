#include "settings/SettingsStore.h"

#include "host/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

SettingsStore SettingsStore::forUser()
{
#ifdef Q_OS_WIN
    // Where the runtime the program was first written for keeps them, so that
    // folders saved by its earlier Windows versions are found, and the other way.
    return SettingsStore(
        Backend::Registry,
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings"));
#else
    return SettingsStore(Backend::IniFiles,
                         QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
#endif
}

SettingsStore::SettingsStore(Backend backend, QString location)
    : m_backend(backend), m_location(std::move(location))
{}

QString SettingsStore::filePath(const QString& application) const
{
    if (inRegistry())
        return m_location + QLatin1Char('\\') + application;
    return QDir(m_location).filePath(application + QStringLiteral(".ini"));
}

QString SettingsStore::get(const QString& application, const QString& section, const QString& key,
                           const QString& defaultValue) const
{
    const QString path = filePath(application);
    if (inRegistry()) {
        // Read without QSettings, which would create the key to read it.
        return Registry::readString(path + QLatin1Char('\\') + section, key).value_or(defaultValue);
    }
    if (!QFileInfo::exists(path))
        return defaultValue;
    const QSettings settings(path, QSettings::IniFormat);
    return settings.value(section + QLatin1Char('/') + key, defaultValue).toString();
}

Outcome SettingsStore::save(const QString& application, const QString& section, const QString& key,
                            const QString& value)
{
    const QString path = filePath(application);
    const auto cannotSave = [&](const QString& reason) {
        return Outcome::failure(
            tr("Cannot save the settings to %1:\n%2").arg(QDir::toNativeSeparators(path), reason));
    };

    if (!inRegistry() && !QDir().mkpath(m_location)) {
        return cannotSave(
            tr("The folder %1 cannot be created.").arg(QDir::toNativeSeparators(m_location)));
    }
    // QSettings writes the file whole beside the old one and tells a full disk
    // in its status.
    QSettings settings(path, inRegistry() ? QSettings::NativeFormat : QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return Outcome::done();
    if (inRegistry())
        return cannotSave(tr("The registry key cannot be written."));
    if (settings.status() == QSettings::AccessError)
        return cannotSave(tr("The file cannot be written."));
    return cannotSave(tr("The file is not a valid settings file."));
}
