#include "settings/SettingsStore.h"

#include "runtime/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

// Reads a value from the bytes now on disk. QSettings keeps a per-process cache
// of every file it has written, so reopening the same path could answer from
// memory even when the disk holds less (a full disk can leave an empty file
// while QSettings reports no error); a private copy forces a real parse.
std::optional<QString> readFromDisk(const QString& filePath, const QString& section,
                                    const QString& key)
{
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        return std::nullopt;
    const QString copy = scratch.filePath(QStringLiteral("check.ini"));
    if (!QFile::copy(filePath, copy))
        return std::nullopt;
    const QSettings settings(copy, QSettings::IniFormat);
    const QVariant value = settings.value(keyPath(section, key));
    if (settings.status() != QSettings::NoError || !value.isValid())
        return std::nullopt;
    return value.toString();
}

} // namespace

Outcome SettingsStore::saveInRegistry(const QString& path, const QString& key, const QString& value)
{
    QSettings registry(path, QSettings::NativeFormat);
    registry.setValue(key, value);
    registry.sync();
    if (registry.status() == QSettings::NoError)
        return Outcome::done();
    return Outcome::failure(
        tr("Cannot save the settings to %1:\nThe registry key cannot be written.").arg(path));
}

QString SettingsStore::userFolder()
{
#ifdef Q_OS_WIN
    // Where the runtime the program was first written for keeps them, so that
    // folders saved by its earlier Windows versions are found, and the other way.
    return QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
}

bool SettingsStore::inRegistry() const
{
    return m_folder.startsWith(QLatin1String("HKEY_"));
}

SettingsStore::SettingsStore(QString folder) : m_folder(std::move(folder)) {}

QString SettingsStore::filePath(const QString& application) const
{
    if (inRegistry())
        return m_folder + QLatin1Char('\\') + application;
    return QDir(m_folder).filePath(application + QStringLiteral(".ini"));
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
    return settings.value(keyPath(section, key), defaultValue).toString();
}

Outcome SettingsStore::save(const QString& application, const QString& section, const QString& key,
                            const QString& value)
{
    const QString path = filePath(application);
    const auto cannotSave = [&](const QString& reason) {
        return Outcome::failure(
            tr("Cannot save the settings to %1:\n%2").arg(QDir::toNativeSeparators(path), reason));
    };

    if (inRegistry())
        return saveInRegistry(path, keyPath(section, key), value);
    if (!QDir().mkpath(m_folder)) {
        return cannotSave(
            tr("The folder %1 cannot be created.").arg(QDir::toNativeSeparators(m_folder)));
    }
    // Another copy of the program saving between this save and its check would
    // make the check find the other value and tell a failure that is none: the
    // two are one step for every copy. If the lock cannot be had (a copy hangs),
    // the save goes ahead all the same.
    QLockFile saving(path + QStringLiteral(".saving"));
    saving.tryLock(std::chrono::seconds(5));
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(keyPath(section, key), value);
    settings.sync();
    switch (settings.status()) {
    case QSettings::NoError:
        break;
    case QSettings::AccessError:
        return cannotSave(tr("The file cannot be written."));
    case QSettings::FormatError:
        return cannotSave(tr("The file is not a valid settings file."));
    }
    if (readFromDisk(path, section, key) != value)
        return cannotSave(tr("The file could not be written completely; the disk may be full."));
    return Outcome::done();
}
