// The sound back end, built as a module of its own beside the program: the multimedia
// libraries it needs are loaded with it when the first sound plays, not at start-up.

#include <QCoreApplication>
#include <QHash>
#include <QSoundEffect>
#include <QString>
#include <QUrl>

// Starts playing the wave file at an absolute path and returns at once; each file's effect
// is made once and kept.
extern "C" Q_DECL_EXPORT void PalavrixPlaySound(const QString &path)
{
    static QHash<QString, QSoundEffect *> effects;
    QSoundEffect *&effect = effects[path];
    if (!effect) {
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl::fromLocalFile(path));
    }
    effect->play();
}
