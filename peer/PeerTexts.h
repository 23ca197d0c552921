#pragma once

#include "PeerCommandLine.h"

#include <QList>
#include <QString>

// What the headless peer says on standard error, in the installed language.
namespace peertexts
{

QString NickRequired();
QString BadPorts();
QString BadColor();
QString BadFilePort();
QString UnknownOption(const QString &name);
QString StrayArgument(const QString &argument);
// The line after a usage error.
QString SeeHelp();

// The chat ports no listener could open.
QString CannotListen(const QList<int> &ports);
// What a peer that cannot listen can do instead.
QString ListenHint();
QString BadFolder(const QString &path, FolderFault fault);
QString CannotSend(const QString &detail);
QString HistoryNotSaved(const QString &path, const QString &detail);
QString MessageTooLong(qsizetype excessBytes);
QString MsgUsage();
QString NobodyHeard(const QString &nick);
QString NoFileTransfer();

} // namespace peertexts
