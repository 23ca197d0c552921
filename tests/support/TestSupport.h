#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace testsupport
{

// Makes a folder and the files in it read-only for the object's life, for root too: root
// gets a read-only bind mount of the folder on itself, anyone else loses the write bits.
class ReadOnlyFolder final
{
public:
    explicit ReadOnlyFolder(const QString &folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

private:
    QString m_folder;
    bool m_mounted = false;
};

// Writes bytes to a file, creating folders on the way; fails the test on error.
void writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

} // namespace testsupport

namespace testsupport
{

// A UDP port on 127.0.0.1 that nothing holds right now.
int freeUdpPort();

// Writes a Chat.cfg of 28 lines (code page 1251, CR LF) into `folder`: the shipped
// defaults with fast entry as `nick`, the broadcast address 127.0.0.1 and free ports,
// then `overrides` (the key of a line to the whole text of that line) on top.
void writeChatCfg(const QString &folder, const QString &nick,
                  const QList<QPair<QString, QString>> &overrides = {});

} // namespace testsupport
