#include "Sound.h"

#include "AppPaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSoundEffect>
#include <QUrl>

void PlaySoundFile(const QString &fileName)
{
    const QFileInfo file(QDir(apppaths::SharedFolder()).filePath(fileName));
    if (!file.isFile()) {
        QApplication::beep();
        return;
    }
    static QHash<QString, QSoundEffect *> effects;
    QSoundEffect *&effect = effects[file.absoluteFilePath()];
    if (!effect) {
        effect = new QSoundEffect(qApp);
        effect->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    }
    effect->play();
}
