// Test helper: opens the store of a nick in a program folder, appends one received message,
// reports it on stdout and then waits to be killed.
//   history_append_and_wait <program folder> <nick> <text>

#include "HistoryStore.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 2;
    // The store stays open, as in a running program, until the process is killed.
    HistoryStore store;
    try {
        store.setProgramDir(args.at(1));
        store.OpenHistory(args.at(2));
        store.AppendHistoryRecord(QStringLiteral("peer"), args.at(2), args.at(3), true);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::fputs("appended\n", stdout);
    std::fflush(stdout);
    for (;;)
        pause();
}
