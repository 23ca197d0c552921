#include "Sound.h"

#include "AppPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace
{

using PlayFunction = void (*)(const QString &path);

// The back end beside the program, loaded at the first sound; null when it cannot be.
PlayFunction soundBackEnd()
{
    static const PlayFunction play = [] {
        QLibrary module(QDir(QCoreApplication::applicationDirPath())
                            .filePath(QStringLiteral("palavrix_sound")));
        return reinterpret_cast<PlayFunction>(module.resolve("PalavrixPlaySound"));
    }();
    return play;
}

} // namespace

void PlaySoundFile(const QString &fileName)
{
    const QFileInfo file(QDir(apppaths::SharedFolder()).filePath(fileName));
    const PlayFunction play = file.isFile() ? soundBackEnd() : nullptr;
    if (!play) {
        QApplication::beep();
        return;
    }
    play(file.absoluteFilePath());
}
