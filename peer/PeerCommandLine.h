#pragma once

#include "ChatSession.h"
#include "FileTransferService.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line asked for.
struct PeerOptions {
    QString Nick;
    QString Address;   // own address; empty: this host's
    QString Broadcast; // empty: the own address's broadcast address
    ChatPorts Ports;
    ChatSettings Settings;
    QString HistoryDir;                           // empty: no history
    quint16 FilePort = transfer::DefaultFilePort; // 0: no file transfer
    QString AcceptFilesDir;                       // empty: offers are declined
    bool SendOnly = false;                        // open no port: lines go out, nothing arrives
};

// The exit codes of palavrix-peer.
enum class PeerExit : int {
    Ok = 0,           // left on end of input or a signal
    CannotSend = 1,   // the network cannot send
    Usage = 2,        // an unknown option, a missing or bad value
    CannotListen = 3, // a chat port or the file port cannot be opened
    BadFolder = 4,    // the --accept-files folder is missing, no folder or not writable
};

// The command line read: what to do and, for a usage error, what is wrong.
struct PeerCommandLine {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    PeerOptions options;
    QString text; // Help: the help text; Usage: the error
};

// Reads the arguments (the program's name first). The texts are in the installed language.
PeerCommandLine ParsePeerCommandLine(const QStringList &arguments);

// Why a folder cannot take files.
enum class FolderFault { Missing, NotAFolder, NotWritable };

// Whether `path` names a folder where a file can be made now (permissions, read-only mounts
// and ACLs alike).
std::optional<FolderFault> CheckFolder(const QString &path);
