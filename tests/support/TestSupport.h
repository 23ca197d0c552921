#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace testsupport
{

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
