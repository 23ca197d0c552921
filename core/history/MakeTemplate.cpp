// Build tool: writes the empty message database "tmp.dat" that every store is copied from.

#include "HistoryDatabase.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: history_template <output file>\n");
        return 2;
    }
    try {
        CreateHistoryTemplate(args.at(1));
    } catch (const AppError &e) {
        std::fprintf(stderr, "history_template: %s\n", e.what());
        return 1;
    }
    return 0;
}
