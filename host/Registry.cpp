#include "host/Registry.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Registry {

#ifdef Q_OS_WIN

std::optional<QString> readString(const QString& key, const QString& name)
{
    const QString prefix = QStringLiteral("HKEY_CURRENT_USER\\");
    if (!key.startsWith(prefix))
        return std::nullopt;
    const QString subkey = key.mid(prefix.size());
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(subkey.utf16()), 0,
                      KEY_READ, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    const auto* valueName = reinterpret_cast<const wchar_t*>(name.utf16());
    std::optional<QString> value;
    if (RegQueryValueExW(opened, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        QString text(qsizetype(size / sizeof(wchar_t)), QChar());
        if (RegQueryValueExW(opened, valueName, nullptr, nullptr,
                             reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
            text.truncate(qsizetype(size / sizeof(wchar_t)));
            while (text.endsWith(QChar()))
                text.chop(1);
            value = text;
        }
    }
    RegCloseKey(opened);
    return value;
}

std::optional<quint32> readUserNumber(const QString& key, const QString& name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(key.utf16()),
                     reinterpret_cast<const wchar_t*>(name.utf16()), RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return quint32(value);
}

#else

std::optional<QString> readString(const QString&, const QString&)
{
    return std::nullopt;
}

std::optional<quint32> readUserNumber(const QString&, const QString&)
{
    return std::nullopt;
}

#endif

} // namespace Registry
