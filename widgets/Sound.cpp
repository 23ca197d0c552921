#include "Sound.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QSoundEffect>
#include <QUrl>

void PlaySoundFile(const QString &fileName)
{
    const QFileInfo file(fileName);
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
