#include "Sound.h"

#include "AppPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace
{

using PlayFunction = void (*)(const QString &path);

// The back end beside the program, loaded at the first sound; null while it cannot be.
PlayFunction soundBackEnd()
{
    static PlayFunction play = nullptr;
    if (!play) {
        QLibrary module(QDir(apppaths::ProgramFolder()).filePath(QStringLiteral("palavrix_sound")));
        play = reinterpret_cast<PlayFunction>(module.resolve("PalavrixPlaySound"));
    }
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

bool SoundBackEndAvailable()
{
    return soundBackEnd() != nullptr;
}
