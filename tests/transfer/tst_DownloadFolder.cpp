#include "DownloadFolder.h"
#include "TestSupport.h"
#include "TransferErrors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace transfer;

// The folder received files go to: whatever is already there under a name, a link above all,
// is never written through, replaced or followed.
class TestDownloadFolder final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nothingInTheWayIsReplaced_data();
    void nothingInTheWayIsReplaced();
    void aFreeNameIsMadeAndRenamed();
    void aFolderThatCannotBeOpenedIsRefused();
};

namespace
{

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestDownloadFolder::nothingInTheWayIsReplaced_data()
{
    QTest::addColumn<QString>("inTheWay");
    QTest::newRow("A file") << u"file"_s;
    QTest::newRow("A folder") << u"folder"_s;
    QTest::newRow("A dangling link") << u"dangling"_s;
    QTest::newRow("A link to a file outside") << u"link"_s;
}

void TestDownloadFolder::nothingInTheWayIsReplaced()
{
    QFETCH(QString, inTheWay);
    QTemporaryDir dir, outside;
    const QString name = dir.filePath(u"notes.txt"_s);
    const QString target = outside.filePath(u"notes.txt"_s);
    if (inTheWay == u"file"_s)
        QVERIFY(QFile(name).open(QIODevice::WriteOnly));
    else if (inTheWay == u"folder"_s)
        QVERIFY(QDir(dir.path()).mkdir(u"notes.txt"_s));
    else
        QVERIFY(QFile::link(target, name));
    if (inTheWay == u"link"_s) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("outside") == 7);
    }
    DownloadFolder folder(dir.path());
    QVERIFY(folder.taken(u"notes.txt"_s));

    errno = 0;
    QCOMPARE(folder.create(u"notes.txt"_s), -1);
    QCOMPARE(errno, EEXIST);
    const int fd = folder.create(u"notes.txt.part"_s);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "received", 8), 8);
    ::close(fd);
    QVERIFY(!folder.rename(u"notes.txt.part"_s, u"notes.txt"_s));
    QCOMPARE(errno, EEXIST);

    QCOMPARE(ReadAll(dir.filePath(u"notes.txt.part"_s)), QByteArray("received"));
    QCOMPARE(QFileInfo(name).isSymLink(), inTheWay == u"link"_s || inTheWay == u"dangling"_s);
    QCOMPARE(QFile::exists(target), inTheWay == u"link"_s);
    if (inTheWay == u"link"_s)
        QCOMPARE(ReadAll(target), QByteArray("outside"));
    QVERIFY(folder.remove(u"notes.txt.part"_s));
    QVERIFY(!QFile::exists(dir.filePath(u"notes.txt.part"_s)));
}

void TestDownloadFolder::aFreeNameIsMadeAndRenamed()
{
    QTemporaryDir dir;
    DownloadFolder folder(dir.path() + u'/');
    QVERIFY(!folder.taken(u"a.txt"_s));
    const int fd = folder.create(u"a.txt.part"_s);
    QVERIFY(fd >= 0);
    ::close(fd);
    QVERIFY(folder.taken(u"a.txt.part"_s));
    QVERIFY(folder.rename(u"a.txt.part"_s, u"a.txt"_s));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"a.txt"_s});
    QCOMPARE(folder.filePath(u"a.txt"_s), dir.filePath(u"a.txt"_s));
}

void TestDownloadFolder::aFolderThatCannotBeOpenedIsRefused()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(u"missing"_s);
    try {
        DownloadFolder folder(missing);
        QFAIL("a missing folder was opened");
    } catch (const ETransferError &error) {
        QCOMPARE(error.fault(), TransferFault::FolderNotWritable);
        QCOMPARE(error.subject(), missing);
    }
}

PALAVRIX_TEST_GUILESS_MAIN(TestDownloadFolder)
#include "tst_DownloadFolder.moc"
