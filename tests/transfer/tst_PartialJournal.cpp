#include "PartialJournal.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace transfer;

// The list of partial files being received, and the sweep that removes what a killed copy left:
// only regular "*.part" files at the paths listed, never a link or anything else.
class TestPartialJournal final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sweep_data();
    void sweep();
    void journalFollowsThePartials();
    void noFileKeepsNothing();
};

namespace
{

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

void TestPartialJournal::sweep_data()
{
    // What lies at the listed path: "file", "link" (to a file elsewhere named *.part too),
    // "folder" or nothing; and whether the path is written relative to the folder.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("removed");
    QTest::newRow("A listed partial is removed") << u"a.txt.part"_s << u"file"_s << false << true;
    QTest::newRow("A listed link is left, and so is its target")
        << u"b.txt.part"_s << u"link"_s << false << false;
    QTest::newRow("A listed file not named .part is left")
        << u"report.pdf"_s << u"file"_s << false << false;
    QTest::newRow("A listed folder named .part is left")
        << u"c.part"_s << u"folder"_s << false << false;
    QTest::newRow("A relative path is left") << u"d.txt.part"_s << u"file"_s << true << false;
    QTest::newRow("A partial already gone is passed over")
        << u"e.txt.part"_s << QString() << false << false;
}

void TestPartialJournal::sweep()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(bool, relative);
    QFETCH(bool, removed);
    QTemporaryDir dir, elsewhere;
    const QString path = dir.filePath(name);
    const QString target = elsewhere.filePath(u"target.part"_s);
    WriteFile(target, "target");
    if (kind == "file"_L1)
        WriteFile(path, "half");
    else if (kind == "link"_L1)
        QVERIFY(QFile::link(target, path));
    else if (kind == "folder"_L1)
        QVERIFY(QDir().mkdir(path));
    const QString journal = elsewhere.filePath(u"Partials.lst"_s);
    WriteFile(journal, QFile::encodeName(relative ? name : path) + '\n');
    QDir::setCurrent(dir.path());

    PartialJournal partials;
    const QStringList swept = partials.open(journal);
    QCOMPARE(swept, removed ? QStringList{path} : QStringList{});
    const bool stays = !kind.isEmpty() && !removed;
    QCOMPARE(QFileInfo(path).isSymLink() || QFileInfo::exists(path), stays);
    QCOMPARE(ReadAll(target), QByteArray("target"));
    QVERIFY(!QFileInfo::exists(journal));
}

void TestPartialJournal::journalFollowsThePartials()
{
    QTemporaryDir dir;
    const QString journal = dir.filePath(u"Partials.lst"_s);
    PartialJournal partials;
    partials.open(journal);
    const QString a = dir.filePath(u"a.part"_s), b = dir.filePath(u"b.part"_s);
    partials.add(a);
    partials.add(b);
    QCOMPARE(ReadAll(journal), QFile::encodeName(a) + '\n' + QFile::encodeName(b) + '\n');
    partials.remove(a);
    QCOMPARE(ReadAll(journal), QFile::encodeName(b) + '\n');
    // A name that would split into two lines is not listed.
    partials.add(dir.filePath(u"x\n/etc/passwd.part"_s));
    QCOMPARE(partials.entries(), QStringList{b});
    partials.remove(b);
    QVERIFY(!QFileInfo::exists(journal));
}

void TestPartialJournal::noFileKeepsNothing()
{
    PartialJournal partials;
    QCOMPARE(partials.open({}), QStringList{});
    partials.add(u"/tmp/a.part"_s);
    QCOMPARE(partials.path(), QString());
}

PALAVRIX_TEST_GUILESS_MAIN(TestPartialJournal)
#include "tst_PartialJournal.moc"
