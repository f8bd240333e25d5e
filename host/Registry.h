#pragma once

#include <QString>

#include <optional>

// Reading the Windows registry without creating anything: QSettings creates the
// key it is given even to read it. Outside Windows, nothing is ever found.
namespace Registry {

// The string value `name` of the key, a path such as "HKEY_CURRENT_USER\Software\...".
std::optional<QString> readString(const QString& key, const QString& name);

// The number (DWORD) value `name` of a key under HKEY_CURRENT_USER, given without that prefix.
std::optional<quint32> readUserNumber(const QString& key, const QString& name);

} // namespace Registry
