#include "ConfigFile.h"

#include "AppError.h"
#include "Cp1251.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace
{

constexpr std::array<const char *, ConfigLines::LineCount> Keys{"FontColor",
                                                                "BGColor",
                                                                "AlphaBlend",
                                                                "AlphaBlendValue",
                                                                "ShowMainWND",
                                                                "PlaySndOnRcv",
                                                                "ShowMsgTime",
                                                                "ShowIP",
                                                                "RedrawUsrWnd",
                                                                "ShowPrivateWND",
                                                                "PlaySndOnPrivateRcv",
                                                                "AutoLogon",
                                                                "SavedNick",
                                                                "StartMinimized",
                                                                "Skin",
                                                                "IgnUsrClr",
                                                                "IncommingMsgClr",
                                                                "SelectHistoryClr",
                                                                "IncClr",
                                                                "OutClr",
                                                                "SysClr",
                                                                "AutoRun",
                                                                "ChangeIP",
                                                                "BroadcastIP",
                                                                "ChangePort",
                                                                "MainPort",
                                                                "PrivatePort",
                                                                "SystemPort"};

// The runtime's texts for the file errors.
QString ioErrorText(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("File not found");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("File access denied");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    case ENAMETOOLONG:
    case EINVAL:
        return QStringLiteral("Invalid filename");
    default:
        return QStringLiteral("I/O error %1").arg(error);
    }
}

bool syncedToDisk(QSaveFile &file)
{
#ifdef Q_OS_UNIX
    // A file system that cannot sync (EINVAL) has nothing more to report.
    return ::fsync(file.handle()) == 0 || errno == EINVAL || errno == EROFS;
#else
    Q_UNUSED(file);
    return true;
#endif
}

} // namespace

QString ConfigLines::Key(int line)
{
    return QString::fromLatin1(Keys[size_t(line - 1)]);
}

int ConfigLines::LineOf(const QString &key)
{
    for (int line = 1; line <= LineCount; ++line)
        if (Key(line) == key)
            return line;
    return 0;
}

void ConfigLines::Load(const QString &path)
{
    m_lines.fill(QString());
    m_loaded.fill(QString());
    Parse(ReadWholeFile(path));
}

QByteArray ReadWholeFile(const QString &path)
{
    std::FILE *file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        throw EInOutError(ioErrorText(errno));
    QByteArray content;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, qsizetype(n));
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed)
        throw EInOutError(ioErrorText(error == 0 ? EIO : error));
    return content;
}

void ConfigLines::Parse(const QByteArray &content)
{
    m_lines.fill(QString());
    qsizetype pos = 0;
    for (int i = 0; i < LineCount && pos < content.size(); ++i) {
        qsizetype lf = content.indexOf('\n', pos);
        if (lf < 0)
            lf = content.size();
        QByteArray line = content.mid(pos, lf - pos);
        const qsizetype cr = line.indexOf('\r');
        if (cr >= 0)
            line.truncate(cr);
        m_lines[size_t(i)] = cp1251::decode(line);
        pos = lf + 1;
    }
    m_loaded = m_lines;
}

QString ConfigLines::ValueOf(int line)
{
    QString &entry = (*this)[line];
    const qsizetype eq = entry.indexOf(u'=');
    if (eq >= 0)
        entry.remove(0, eq + 1);
    return entry;
}

QByteArray ConfigLines::Content() const
{
    QByteArray content;
    for (const QString &line : m_lines)
        content += cp1251::encode(line) + "\r\n";
    return content;
}

EConfigSaveError::EConfigSaveError(const QString &fileName, int error)
    : AppError(fileName + QStringLiteral(" not saved: ") + ioErrorText(error)),
      m_fileName(fileName), m_error(error)
{
}

void ConfigLines::Save(const QString &path) const
{
    SaveAtomically(path, Content(), QStringLiteral("Chat.cfg"));
}

void SaveAtomically(const QString &path, const QByteArray &content, const QString &fileName)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throw EConfigSaveError(fileName, errno == 0 ? EACCES : errno);
    // A full disk may surface only when the buffer is flushed or the data synced: check each
    // step before the new file takes the old one's place.
    errno = 0;
    const bool written = file.write(content) == content.size() && file.flush() &&
                         file.error() == QFileDevice::NoError && syncedToDisk(file);
    const int error = errno;
    if (!written) {
        file.cancelWriting();
        throw EConfigSaveError(fileName, error == 0 ? EIO : error);
    }
    errno = 0;
    if (!file.commit())
        throw EConfigSaveError(fileName, errno == 0 ? EIO : errno);
}
