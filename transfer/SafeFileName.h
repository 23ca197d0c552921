#pragma once

#include <QString>

#include <functional>

namespace transfer
{

// The name a received file is saved under, made from what the sender called it: only the last
// path component (both "/" and "\" separate), without control characters and the characters
// Windows refuses, without leading and trailing blanks and trailing dots, never "." or "..",
// never a device name, at most 200 characters with the extension kept; "file" when nothing is
// left.
QString SafeFileName(const QString &offered);

// The first of name, "name (1).ext", "name (2).ext", ... for which taken() is false. The
// extension is what follows the last "." that is not the first character.
QString UniqueFileName(const QString &name, const std::function<bool(const QString &)> &taken);

} // namespace transfer
