#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <optional>

namespace apppaths
{
namespace
{

const QString ConfigName = QStringLiteral("Chat.cfg");
const QString OptionsName = QStringLiteral("Options.cfg");
const QString TemplateName = QStringLiteral("tmp.dat");
const QString UserFolderName = QStringLiteral("palavrix");

// Where an installed program keeps its shipped files, from the executable's folder.
const char *const SharedCandidates[] = {"../share/palavrix", "../../share/palavrix"};

QString &programOverride()
{
    static QString folder;
    return folder;
}

// The portable decision is made once per program folder: the probe writes a file.
std::optional<std::pair<QString, bool>> &portableCache()
{
    static std::optional<std::pair<QString, bool>> cache;
    return cache;
}

bool holdsSharedFiles(const QString &folder)
{
    return QFileInfo::exists(QDir(folder).filePath(TemplateName));
}

bool writable(const QString &folder)
{
    return CreateFileError(folder) == 0;
}

QString userFolder(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location) + u'/' + UserFolderName;
}

} // namespace

QString ProgramFolder()
{
    if (!programOverride().isEmpty())
        return programOverride();
    return QCoreApplication::applicationDirPath();
}

QString SharedFolder()
{
    const QString program = ProgramFolder();
    if (holdsSharedFiles(program))
        return program;
    for (const char *relative : SharedCandidates) {
        const QString candidate = QDir::cleanPath(program + u'/' + QString::fromLatin1(relative));
        if (holdsSharedFiles(candidate))
            return candidate;
    }
    return program;
}

QString SharedFile(const QString &name)
{
    return QDir(SharedFolder()).filePath(name);
}

bool Portable()
{
    const QString program = ProgramFolder();
    auto &cache = portableCache();
    if (!cache || cache->first != program)
        cache = std::pair{program, SharedFolder() == program && writable(program)};
    return cache->second;
}

QString ConfigFolder()
{
    return Portable() ? ProgramFolder() : userFolder(QStandardPaths::GenericConfigLocation);
}

QString ConfigFile()
{
    return QDir(ConfigFolder()).filePath(ConfigName);
}

QString OptionsFile()
{
    return QDir(ConfigFolder()).filePath(OptionsName);
}

QString DataFolder()
{
    return Portable() ? ProgramFolder() : userFolder(QStandardPaths::GenericDataLocation);
}

void PrepareUserFolders()
{
    if (Portable())
        return;
    QDir().mkpath(ConfigFolder());
    QDir().mkpath(DataFolder());
    const QString config = ConfigFile();
    if (!QFileInfo::exists(config) && QFile::copy(SharedFile(ConfigName), config))
        QFile::setPermissions(config, QFile::ReadOwner | QFile::WriteOwner);
}

void SetProgramFolder(const QString &folder)
{
    programOverride() = folder;
}

int CreateFileError(const QString &folder)
{
    errno = 0;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".palavrix-probe-XXXXXX")));
    if (probe.open())
        return 0;
    return errno == 0 ? EACCES : errno;
}

} // namespace apppaths
