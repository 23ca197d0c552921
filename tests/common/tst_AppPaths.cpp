#include "AppPaths.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

// Where the program finds its shipped files and keeps the user's, for the portable folder and
// for an installed program.
class TestAppPaths final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void portableFolderKeepsEverythingBesideTheProgram();
    void installedProgramUsesTheUserFolders_data();
    void installedProgramUsesTheUserFolders();
    void seedingKeepsTheUsersSettings();
    void readOnlyPortableFolderUsesTheUserFolders();

private:
    QString path(const QString &relative) const { return m_root->filePath(relative); }

    std::unique_ptr<QTemporaryDir> m_root;
    QByteArray m_oldConfig, m_oldData;
};

void TestAppPaths::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    m_oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(u"home/config"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path(u"home/data"_s)));
}

void TestAppPaths::cleanup()
{
    apppaths::SetProgramFolder(QString());
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    qputenv("XDG_DATA_HOME", m_oldData);
    m_root.reset();
}

void TestAppPaths::portableFolderKeepsEverythingBesideTheProgram()
{
    const QString folder = path(u"Palavrix"_s);
    testsupport::writeFile(folder + u"/tmp.dat"_s, "template");
    apppaths::SetProgramFolder(folder);

    QVERIFY(apppaths::Portable());
    QCOMPARE(apppaths::SharedFolder(), folder);
    QCOMPARE(apppaths::SharedFile(u"MsgRcvd.wav"_s), folder + u"/MsgRcvd.wav"_s);
    QCOMPARE(apppaths::ConfigFile(), folder + u"/Chat.cfg"_s);
    QCOMPARE(apppaths::OptionsFile(), folder + u"/Options.cfg"_s);
    QCOMPARE(apppaths::DataFolder(), folder);
    // Nothing is made or copied: a missing Chat.cfg stays missing, as it always was.
    apppaths::PrepareUserFolders();
    QVERIFY(!QFileInfo::exists(folder + u"/Chat.cfg"_s));
    QVERIFY(!QFileInfo::exists(path(u"home"_s)));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{u"tmp.dat"_s});
}

void TestAppPaths::installedProgramUsesTheUserFolders_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("Executable in lib/palavrix") << u"usr/lib/palavrix"_s;
    QTest::newRow("Executable in bin") << u"usr/bin"_s;
}

void TestAppPaths::installedProgramUsesTheUserFolders()
{
    QFETCH(QString, program);
    QVERIFY(QDir().mkpath(path(program)));
    const QString shared = path(u"usr/share/palavrix"_s);
    testsupport::writeFile(shared + u"/tmp.dat"_s, "template");
    testsupport::writeFile(shared + u"/Chat.cfg"_s, "FontColor=0\r\n");
    apppaths::SetProgramFolder(path(program));

    QVERIFY(!apppaths::Portable());
    QCOMPARE(apppaths::SharedFolder(), shared);
    QCOMPARE(apppaths::SharedFile(u"Skins"_s), shared + u"/Skins"_s);
    QCOMPARE(apppaths::ConfigFile(), path(u"home/config/palavrix/Chat.cfg"_s));
    QCOMPARE(apppaths::OptionsFile(), path(u"home/config/palavrix/Options.cfg"_s));
    QCOMPARE(apppaths::DataFolder(), path(u"home/data/palavrix"_s));

    apppaths::PrepareUserFolders();
    QCOMPARE(testsupport::readFile(apppaths::ConfigFile()), QByteArray("FontColor=0\r\n"));
    QVERIFY(QFileInfo(apppaths::DataFolder()).isDir());
    QVERIFY(QFileInfo(apppaths::ConfigFile()).isWritable());
    QVERIFY(QDir(path(program)).isEmpty());
}

void TestAppPaths::seedingKeepsTheUsersSettings()
{
    QVERIFY(QDir().mkpath(path(u"usr/lib/palavrix"_s)));
    testsupport::writeFile(path(u"usr/share/palavrix/tmp.dat"_s), "template");
    testsupport::writeFile(path(u"usr/share/palavrix/Chat.cfg"_s), "shipped");
    testsupport::writeFile(path(u"home/config/palavrix/Chat.cfg"_s), "the user's own");
    apppaths::SetProgramFolder(path(u"usr/lib/palavrix"_s));
    apppaths::PrepareUserFolders();
    QCOMPARE(testsupport::readFile(apppaths::ConfigFile()), QByteArray("the user's own"));
}

void TestAppPaths::readOnlyPortableFolderUsesTheUserFolders()
{
    if (::geteuid() == 0)
        QSKIP("root writes into a read-only folder: the whole-program package test covers this");
    const QString folder = path(u"Palavrix"_s);
    testsupport::writeFile(folder + u"/tmp.dat"_s, "template");
    testsupport::writeFile(folder + u"/Chat.cfg"_s, "shipped");
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    apppaths::SetProgramFolder(folder);
    const bool portable = apppaths::Portable();
    apppaths::PrepareUserFolders();
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(!portable);
    QCOMPARE(apppaths::SharedFolder(), folder);
    QCOMPARE(testsupport::readFile(apppaths::ConfigFile()), QByteArray("shipped"));
}

PALAVRIX_TEST_GUILESS_MAIN(TestAppPaths)
#include "tst_AppPaths.moc"
