#include "AppError.h"
#include "Autorun.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace autorun;

class TestAutorun final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void autostartFolderIsInTheUserConfig();
    void desktopExec_data();
    void desktopExec();
    void setWritesTheEntry();
    void setReplacesAnEarlierEntry();
    void removeDeletesOnlyTheEntry();
    void removeWithoutEntryIsQuiet_data();
    void removeWithoutEntryIsQuiet();
    void setFailure_data();
    void setFailure();

private:
    QString folder() const { return m_dir->filePath(QStringLiteral("config/autostart")); }
    static QStringList lines(const QString &path);

    std::unique_ptr<QTemporaryDir> m_dir;
};

// The obstacles a test puts in the entry's way.
enum class Obstacle { None, FolderMissing, FolderIsFile, EntryIsFolder };
Q_DECLARE_METATYPE(Obstacle)

namespace
{

void place(Obstacle obstacle, const QString &folder)
{
    switch (obstacle) {
    case Obstacle::None:
        testsupport::require(QDir().mkpath(folder), "QDir().mkpath(folder)");
        break;
    case Obstacle::FolderMissing:
        break;
    case Obstacle::FolderIsFile:
        testsupport::writeFile(folder, "not a folder");
        break;
    case Obstacle::EntryIsFolder:
        testsupport::require(QDir().mkpath(EntryFile(folder)), "QDir().mkpath(EntryFile(folder))");
        break;
    }
}

} // namespace

void TestAutorun::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestAutorun::cleanup()
{
    m_dir.reset();
}

QStringList TestAutorun::lines(const QString &path)
{
    return QString::fromUtf8(testsupport::readFile(path)).split(u'\n', Qt::SkipEmptyParts);
}

void TestAutorun::autostartFolderIsInTheUserConfig()
{
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString config = m_dir->filePath(QStringLiteral("config"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    const QString found = AutostartFolder();
    if (wasSet)
        qputenv("XDG_CONFIG_HOME", saved);
    else
        qunsetenv("XDG_CONFIG_HOME");

    QCOMPARE(found, config + QStringLiteral("/autostart"));
    QCOMPARE(EntryFile(found), config + QStringLiteral("/autostart/Palavrix.desktop"));
}

void TestAutorun::desktopExec_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("exec");

    QTest::newRow("A plain path is written as it is")
        << QStringLiteral("/opt/palavrix/Palavrix") << QStringLiteral("/opt/palavrix/Palavrix");
    QTest::newRow("A path with a blank is quoted")
        << QStringLiteral("/home/ann/My Apps/Palavrix")
        << QStringLiteral("\"/home/ann/My Apps/Palavrix\"");
    QTest::newRow("Quote and dollar are escaped inside the quotes")
        << QStringLiteral("/tmp/a$b\"c/Palavrix")
        << QStringLiteral("\"/tmp/a\\\\$b\\\\\"c/Palavrix\"");
    QTest::newRow("A backslash is escaped twice")
        << QStringLiteral("/opt/a\\b/Palavrix") << QStringLiteral("\"/opt/a\\\\\\\\b/Palavrix\"");
    QTest::newRow("A percent sign is doubled")
        << QStringLiteral("/opt/100%/Palavrix") << QStringLiteral("/opt/100%%/Palavrix");
    QTest::newRow("Cyrillic letters stay as they are")
        << QStringLiteral("/opt/Чат/Palavrix") << QStringLiteral("/opt/Чат/Palavrix");
}

void TestAutorun::desktopExec()
{
    QFETCH(QString, program);
    QFETCH(QString, exec);
    QCOMPARE(DesktopExec(program), exec);
}

void TestAutorun::setWritesTheEntry()
{
    const QString program = QStringLiteral("/opt/Мой чат/Palavrix");
    SetAutorunEntry(program, folder());

    const QStringList entry = lines(EntryFile(folder()));
    QVERIFY(!entry.isEmpty());
    QCOMPARE(entry.first(), QStringLiteral("[Desktop Entry]"));
    QVERIFY(entry.contains(QStringLiteral("Type=Application")));
    QVERIFY(entry.contains(QStringLiteral("Name=Palavrix")));
    QVERIFY(entry.contains(QStringLiteral("Exec=") + DesktopExec(program)));
    // Started at log-in, the program runs in its own folder.
    QVERIFY(entry.contains(QStringLiteral("Path=/opt/Мой чат")));
}

void TestAutorun::setReplacesAnEarlierEntry()
{
    SetAutorunEntry(QStringLiteral("/old/Palavrix"), folder());
    SetAutorunEntry(QStringLiteral("/new/Palavrix"), folder());

    const QStringList entry = lines(EntryFile(folder()));
    QVERIFY(entry.contains(QStringLiteral("Exec=/new/Palavrix")));
    QVERIFY(!entry.contains(QStringLiteral("Exec=/old/Palavrix")));
    QCOMPARE(QDir(folder()).entryList(QDir::Files),
             QStringList{QFileInfo(EntryFile(folder())).fileName()});
}

void TestAutorun::removeDeletesOnlyTheEntry()
{
    const QString other = folder() + QStringLiteral("/other.desktop");
    testsupport::writeFile(other, "[Desktop Entry]\n");
    SetAutorunEntry(QStringLiteral("/opt/Palavrix"), folder());
    QVERIFY(QFile::exists(EntryFile(folder())));

    RemoveAutorunEntry(folder());

    QVERIFY(!QFile::exists(EntryFile(folder())));
    QVERIFY(QFile::exists(other));
}

void TestAutorun::removeWithoutEntryIsQuiet_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::newRow("No entry in the folder") << Obstacle::None;
    QTest::newRow("No autostart folder") << Obstacle::FolderMissing;
    QTest::newRow("The autostart folder is a file") << Obstacle::FolderIsFile;
}

void TestAutorun::removeWithoutEntryIsQuiet()
{
    QFETCH(Obstacle, obstacle);
    place(obstacle, folder());
    if (QTest::currentTestFailed())
        return;
    try {
        RemoveAutorunEntry(folder());
    } catch (const AppError &error) {
        QFAIL(qPrintable(QStringLiteral("unexpected error: ") + error.message()));
    }
    QVERIFY(!QFileInfo(EntryFile(folder())).isFile());
}

void TestAutorun::setFailure_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::newRow("The autostart folder is a file") << Obstacle::FolderIsFile;
    QTest::newRow("A folder stands where the entry goes") << Obstacle::EntryIsFolder;
}

void TestAutorun::setFailure()
{
    QFETCH(Obstacle, obstacle);
    place(obstacle, folder());
    if (QTest::currentTestFailed())
        return;

    QString message;
    try {
        SetAutorunEntry(QStringLiteral("/opt/Palavrix"), folder());
    } catch (const AppError &error) {
        message = error.message();
    }
    QCOMPARE(message, QStringLiteral("Failed to set data for 'Palavrix'"));
    QVERIFY(!QFileInfo(EntryFile(folder())).isFile());
}

PALAVRIX_TEST_GUILESS_MAIN(TestAutorun)
#include "tst_Autorun.moc"
