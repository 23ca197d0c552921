#pragma once

#include <QString>

// Where the program's files are, wherever it was started from.
//
// The shipped files (Skins/, the sounds, the history template "tmp.dat" and the default
// Chat.cfg) lie beside the executable in the portable folder, or in the shared data folder
// of an installed program (share/palavrix beside the executable's lib/ or bin/ folder).
// The user's files (Chat.cfg, the options file and the history files) lie beside the executable
// when that folder holds the shipped files and is writable: the portable folder. Otherwise they
// live in the user's XDG config and data folders ("palavrix" in each), in the same formats.
namespace apppaths
{

// The executable's folder.
QString ProgramFolder();
// The folder of the shipped files.
QString SharedFolder();
QString SharedFile(const QString &name);
// True for the portable folder: the user's files lie beside the executable.
bool Portable();
// Where Chat.cfg is read and written.
QString ConfigFolder();
QString ConfigFile();
// The options beyond Chat.cfg's lines, in their own file beside it.
QString OptionsFile();
// Where the history files are.
QString DataFolder();

// For an installed program: makes the user's folders and, on the first start, seeds
// Chat.cfg from the shipped default. Does nothing for the portable folder. Failures show
// later, where the files are read or written.
void PrepareUserFolders();

// Takes `folder` as the executable's folder from now on (tests); an empty text goes back to
// the real one.
void SetProgramFolder(const QString &folder);

// 0 when a file can really be made in `folder` (permissions, read-only mounts and ACLs alike),
// else the system's error number for why not.
int CreateFileError(const QString &folder);

} // namespace apppaths
