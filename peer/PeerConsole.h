#pragma once

#include "ChatServices.h"
#include "FileCommands.h"
#include "PeerCommandLine.h"

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

// A chat peer on standard input and output: each line typed goes out as a public message,
// "/msg NICK text" as a private one, "/users" lists the users heard, "/send NICK PATH" offers
// a file and "/cancel" cancels the transfers; every line and private message that arrives is
// printed, one line each, and so is every step of a file transfer. What the peer cannot do goes
// to standard error.
class PeerConsole final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PeerConsole)
public:
    explicit PeerConsole(const PeerOptions &options, QObject *parent = nullptr);
    ~PeerConsole() override;

    // Checks the folder for files, opens the ports and joins the chat: Ok when it runs, else why
    // not (said on standard error), before the entry notice when it can.
    PeerExit Start();
    // Sends the leave notice, closes the listeners and ends the event loop with 0.
    void Leave();

private:
    void readInput();
    void runCommand(const QString &line);
    void sendPrivate(const QString &nick, const QString &text);
    void print(const QString &line);
    void complain(const QString &text);
    void watchSignals();
    void applyOptions();
    void startFileCommands();
    QString partialJournal() const;

    PeerOptions m_options;
    ChatServices m_services;
    ChatSession &m_session;
    std::unique_ptr<FileCommands> m_fileCommands;
    QSocketNotifier *m_input = nullptr;
    QSocketNotifier *m_signals = nullptr;
    QByteArray m_pending;
    bool m_left = false;
};
