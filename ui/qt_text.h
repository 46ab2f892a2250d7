#pragma once
// The core's UTF-16 texts as Qt strings.

#include <QString>
#include <string>

inline QString W(const std::u16string& s) { return QString::fromStdU16String(s); }
