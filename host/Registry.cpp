#include "host/Registry.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Registry {

#ifdef Q_OS_WIN

namespace {
// A value, of one of the types, of a key under HKEY_CURRENT_USER; only its size without `data`.
bool readUserValue(const QString& key, const QString& name, DWORD types, void* data, DWORD& size)
{
    return RegGetValueW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(key.utf16()),
                        reinterpret_cast<const wchar_t*>(name.utf16()), types, nullptr, data,
                        &size) == ERROR_SUCCESS;
}
} // namespace

std::optional<QString> readString(const QString& key, const QString& name)
{
    const QString prefix = QStringLiteral("HKEY_CURRENT_USER\\");
    const QString subkey = key.mid(prefix.size());
    // As stored: an expandable string is not expanded.
    constexpr DWORD kTypes = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    DWORD size = 0;
    if (!key.startsWith(prefix) || !readUserValue(subkey, name, kTypes, nullptr, size))
        return std::nullopt;
    QString text(qsizetype(size / sizeof(wchar_t)), QChar());
    if (!readUserValue(subkey, name, kTypes, text.data(), size))
        return std::nullopt;
    text.truncate(qsizetype(size / sizeof(wchar_t)));
    while (text.endsWith(QChar()))
        text.chop(1);
    return text;
}

std::optional<quint32> readUserNumber(const QString& key, const QString& name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!readUserValue(key, name, RRF_RT_REG_DWORD, &value, size))
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
