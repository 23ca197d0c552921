// Build tool: writes the program's icon as PNG files for the desktop's icon theme.
//   IconGenerator <folder> <size>...   writes <folder>/<size>x<size>/apps/palavrix.png
#include "Icons.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s folder size...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString dir = folder + QStringLiteral("/%1x%1/apps").arg(size);
        if (size <= 0 || !QDir().mkpath(dir) ||
            !TrayIconImage(0, size).save(dir + QStringLiteral("/palavrix.png"))) {
            std::fprintf(stderr, "cannot write the %s px icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
