#include "AppPaths.h"
#include "Sound.h"
#include "TestSupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

class TestSound final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void backEndLoadsFromTheProgramFolder();
};

void TestSound::cleanup()
{
    apppaths::SetProgramFolder(QString());
}

// The back end is a module of its own beside the program: without it every sound is the
// system's default one, with it the wave files play.
void TestSound::backEndLoadsFromTheProgramFolder()
{
    QTemporaryDir empty;
    apppaths::SetProgramFolder(empty.path());
    QVERIFY(!SoundBackEndAvailable());
    PlaySoundFile(QStringLiteral("MsgRcvd.wav")); // no file there either: the default sound
    apppaths::SetProgramFolder(QStringLiteral(PALAVRIX_STAGE_DIR));
    QVERIFY(SoundBackEndAvailable());
}

PALAVRIX_TEST_MAIN(TestSound)
#include "tst_Sound.moc"
