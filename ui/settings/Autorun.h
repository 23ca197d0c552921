#pragma once

#include <QByteArray>
#include <QString>

// The autorun entry that starts the program at log-in: on Windows the value "Palavrix"
// under the machine-wide Run key, elsewhere the XDG autostart file "Palavrix.desktop".
namespace autorun
{

// The entry's name: the Run key's value name and the desktop file's base name.
QString EntryName();

// The XDG autostart folder of this user: the generic configuration folder + "/autostart".
QString AutostartFolder();
// The entry's desktop file inside `folder`.
QString EntryFile(const QString &folder);
// The Exec value that runs `program` without arguments, quoted and escaped as desktop
// entries require.
QString DesktopExec(const QString &program);
// The complete text of the desktop entry that starts `program` in the program's folder.
QByteArray DesktopEntry(const QString &program);

// Registers `program` (a full path) to start at log-in; replaces an entry already there.
// Throws AppError "Failed to set data for 'Palavrix'" when the entry cannot be written.
// `folder` is where the XDG entry goes; the Windows registry value ignores it.
void SetAutorunEntry(const QString &program, const QString &folder = AutostartFolder());
// Removes the entry. A missing entry or folder is not an error, and nothing is reported.
void RemoveAutorunEntry(const QString &folder = AutostartFolder());

} // namespace autorun
