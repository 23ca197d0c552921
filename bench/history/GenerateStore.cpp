// Makes a large message store for the benchmarks.
//   history_generate_store <folder> <nick> [records, default 1000000]

#include "AppError.h"
#include "StoreGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: history_generate_store <folder> <nick> [records]\n");
        return 2;
    }
    const int count = args.size() > 3 ? args.at(3).toInt() : 1000000;
    QElapsedTimer timer;
    timer.start();
    try {
        const QString path = GenerateHistoryStore(args.at(1), args.at(2), count);
        std::printf("%d records in %s (%.1f MB) in %.1f s\n", count, qPrintable(path),
                    double(QFileInfo(path).size()) / 1e6, double(timer.elapsed()) / 1000.0);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
