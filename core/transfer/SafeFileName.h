#pragma once

#include <QString>
#include <QStringView>

#include <functional>

namespace transfer
{

// The longest file name the file systems we write to take, in bytes of their encoding.
inline constexpr int NameMaxBytes = 255;
// A file being received is written under its name with this suffix.
inline constexpr QStringView PartSuffix = u".part";
// Room every safe name leaves for a copy number (" (99)") and the suffix above.
inline constexpr int CopyNumberRoom = 5;
inline constexpr int SafeNameMaxBytes = NameMaxBytes - CopyNumberRoom - int(PartSuffix.size());

// The bytes a name takes on disk (UTF-8 on Linux).
int NameBytes(QStringView name);

// The name a received file is saved under, made from what the sender called it: only the last
// path component (both "/" and "\" separate), without control and format characters (those
// that reorder or hide text, U+202E and the like) and the characters Windows refuses, without
// leading and trailing blanks and trailing dots, never "." or "..", never hidden unless the
// offered name was (".bashrc", not "...x"), never a device name, at most SafeNameMaxBytes
// bytes cut between characters with the extension kept; "file" when nothing is left.
QString SafeFileName(const QString &offered);

// The first of name, "name (1).ext", "name (2).ext", ... for which taken() is false. The
// extension is what follows the last "." that is not the first character. The stem is cut
// shorter where the number would take the name with PartSuffix past NameMaxBytes.
QString UniqueFileName(const QString &name, const std::function<bool(const QString &)> &taken);

} // namespace transfer
