#pragma once

#include "platform/registry.h"

#include <QString>

#include <functional>
#include <optional>

namespace kuokuo {

// Reads value `SubKeyRef` of key `KeyName` under `KeyRoot` into `KeyVal`: a string value as its
// text, a 32-bit value as "&h" and its bytes in hex, last byte first, each without leading zero
// (a trailing NUL byte is dropped first, whatever the type). Other types leave `KeyVal` as it
// was. False, with an empty `KeyVal`, when the key or the value cannot be read.
bool GetKeyValue(Registry &registry, Registry::Key KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);

// Where the system-information program is: the first registry value's path, taken unchanged;
// else "MSINFO32.EXE" in the second value's folder when that file exists; else nothing.
std::optional<QString> systemInformationProgram(Registry &registry,
                                                const std::function<bool(const QString &)> &exists);

} // namespace kuokuo
