#include "DateTimeText.h"
#include "HistoryDatabase.h"
#include "HistoryExport.h"
#include "HistoryFixture.h"
#include "HistoryModel.h"
#include "HistorySearch.h"
#include "HistoryStore.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>

#include <memory>

using historytest::ProgramFolder;
using historytest::ReadStoreFile;

namespace
{

const QString ClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");

// One message of a test store: who wrote it and whether it came in.
struct Message {
    QString sender;
    QString receiver;
    QString text;
    bool incoming;
};

QByteArray fileDigest(const QString &path)
{
    return QCryptographicHash::hash(testsupport::readFile(path), QCryptographicHash::Sha256);
}

// The preview texts of the view, in its order.
QStringList viewTexts(const HistoryTable &table)
{
    QStringList texts;
    for (int i = 0; i < table.recordCount(); ++i)
        texts << table.textAt(i, HistoryField::mCutText);
    return texts;
}

} // namespace

// The store on real files: template, naming, opening, writing, resetting, failures, and the
// table view the windows are bound to.
class TestHistoryStore final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void stagedTemplateHoldsTheEmptyTable();
    void templateIsNeverWritten();
    void openHistoryCreatesTheFileFromTheTemplate();
    void appendStoresEveryField_data();
    void appendStoresEveryField();
    void longValuesAreStoredWhole();
    void secondStartReusesTheFile();
    void resetLeavesAnEmptyStore();
    void resetKeepsTheFilter();
    void missingTemplateLeavesTheStoreClosed_data();
    void missingTemplateLeavesTheStoreClosed();
    void invalidFileIsReportedAndKept_data();
    void invalidFileIsReportedAndKept();
    void chosenStoreOpensAtFirstUse_data();
    void chosenStoreOpensAtFirstUse();
    void chosenInvalidStoreIsToldWhenFirstUsed();
    void chosenTemplateIsCheckedAtOnceAndOpenedWhenUsed_data();
    void chosenTemplateIsCheckedAtOnceAndOpenedWhenUsed();
    void recordSurvivesAKilledProcess();

    void filterSelectsByDirection_data();
    void filterSelectsByDirection();
    void viewKeepsTheTableOrder();
    void everyFilterFollowsChangesMadeUnderAnother();
    void readsAcrossWindows_data();
    void readsAcrossWindows();
    void movesStopAtTheEnds();
    void emptyViewIsAtBothEnds();
    void bookmarksSurviveDeletions();
    void deleteMakesTheNextRecordCurrent();
    void appendMakesTheRecordCurrentWhenTheFilterAdmitsIt_data();
    void appendMakesTheRecordCurrentWhenTheFilterAdmitsIt();
    void closedTableRefusesEveryOperation();
    void disabledControlsAnnounceOnce();
    void searchLeavesPositionWhenNothingIsFound();
    void searchWalksLongViews_data();
    void searchWalksLongViews();
    void modelFollowsTheTable();
    void damagedPagesHideOnlyWhatCannotBeRead_data();
    void damagedPagesHideOnlyWhatCannotBeRead();
    void exportLines_data();
    void exportLines();
    void exportWritesTheGivenRecordsInOrder_data();
    void exportWritesTheGivenRecordsInOrder();
    void cancelledExportLeavesTheFile();
    void exportToAnUnwritablePlaceIsReported();

private:
    void openWith(const QList<Message> &messages, const QString &nick = QStringLiteral("Me"));

    std::unique_ptr<ProgramFolder> m_folder;
    std::unique_ptr<HistoryStore> m_store;
};

void TestHistoryStore::init()
{
    m_folder = std::make_unique<ProgramFolder>();
    QVERIFY(m_folder->isValid());
    m_store = std::make_unique<HistoryStore>();
    m_store->setProgramDir(m_folder->path());
}

void TestHistoryStore::cleanup()
{
    m_store.reset();
    m_folder.reset();
}

void TestHistoryStore::openWith(const QList<Message> &messages, const QString &nick)
{
    m_store->OpenHistory(nick);
    for (const Message &m : messages)
        m_store->AppendHistoryRecord(m.sender, m.receiver, m.text, m.incoming);
}

void TestHistoryStore::stagedTemplateHoldsTheEmptyTable()
{
    const QString staged = QStringLiteral(PALAVRIX_HISTORY_TEMPLATE);
    QVERIFY2(QFile::exists(staged), qPrintable(staged));
    QStringList names, types;
    QVERIFY(historytest::ReadColumns(staged, names, types));
    QCOMPARE(names, (QStringList{u"mDate"_qs, u"mTime"_qs, u"mSender"_qs, u"mReceiver"_qs,
                                 u"mCutText"_qs, u"mFullText"_qs, u"mIncoming"_qs}));
    QCOMPARE(types.last(), u"INTEGER"_qs);
    std::vector<HistoryRecord> records;
    QVERIFY(ReadStoreFile(staged, records));
    QVERIFY(records.empty());
    // The staged template is what the build's own schema code writes.
    QStringList ownNames, ownTypes;
    QVERIFY(historytest::ReadColumns(m_folder->templatePath(), ownNames, ownTypes));
    QCOMPARE(ownNames, names);
    QCOMPARE(ownTypes, types);
}

void TestHistoryStore::templateIsNeverWritten()
{
    const QByteArray before = fileDigest(m_folder->templatePath());
    m_store->OpenTemplate(m_folder->templatePath());
    QVERIFY(m_store->connection().isOpen());
    QVERIFY(m_store->connection().isReadOnly());
    openWith({{u"a"_qs, u"Me"_qs, u"hello"_qs, true}});
    m_store->ResetHistory();
    openWith({{u"a"_qs, u"Me"_qs, u"again"_qs, true}});
    m_store.reset();
    QCOMPARE(fileDigest(m_folder->templatePath()), before);
    const QStringList left = QDir(m_folder->path()).entryList(QDir::Files);
    QVERIFY2(!left.join(u' ').contains(u"tmp.dat-"_qs), qPrintable(left.join(u' ')));
}

void TestHistoryStore::openHistoryCreatesTheFileFromTheTemplate()
{
    QSignalSpy counts(m_store.get(), &HistoryStore::countChanged);
    m_store->OpenHistory(u"Bob"_qs);
    const QString file = m_folder->filePath(u"6611198.dat"_qs);
    QCOMPARE(m_store->path(), file);
    QVERIFY(QFile::exists(file));
    QVERIFY(m_store->table().isActive());
    QCOMPARE(counts.size(), 1);
    QCOMPARE(counts.at(0).at(0).toLongLong(), 0);
    QCOMPARE(m_store->RecordCount(), 0);
}

void TestHistoryStore::appendStoresEveryField_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("incoming");
    QTest::addColumn<QString>("cut");

    QTest::newRow("sent message of two lines")
        << u"Me"_qs << u"Bob"_qs << u"a\r\nb"_qs << false << u"a  b"_qs;
    QTest::newRow("received Cyrillic message")
        << u"Вася"_qs << u"Me"_qs << u"Привет, ёжик!"_qs << true << u"Привет, ёжик!"_qs;
    QTest::newRow("250 characters without line breaks")
        << u"Bob"_qs << u"Me"_qs << QString(200, u'x') + QString(50, u'y') << true
        << QString(200, u'x');
    QTest::newRow("markup is stored as typed")
        << u"<b>Bob</b>"_qs << u"Me"_qs << u"<i>not italic</i>"_qs << true
        << u"<i>not italic</i>"_qs;
}

void TestHistoryStore::appendStoresEveryField()
{
    QFETCH(QString, sender);
    QFETCH(QString, receiver);
    QFETCH(QString, text);
    QFETCH(bool, incoming);
    QFETCH(QString, cut);

    m_store->OpenHistory(u"Me"_qs);
    QSignalSpy counts(m_store.get(), &HistoryStore::countChanged);
    const QDateTime before = QDateTime::currentDateTime();
    m_store->AppendHistoryRecord(sender, receiver, text, incoming);
    const QDateTime after = QDateTime::currentDateTime();
    QCOMPARE(counts.size(), 1);
    QCOMPARE(counts.at(0).at(0).toLongLong(), 1);

    std::vector<HistoryRecord> records;
    QVERIFY(ReadStoreFile(m_store->path(), records));
    QCOMPARE(records.size(), size_t(1));
    const HistoryRecord &r = records.front();
    // Dated at the moment of writing, somewhere between the two readings of the clock.
    QStringList dates, times;
    for (QDateTime t = before; t <= after.addSecs(1); t = t.addSecs(1)) {
        dates << LocalDateText(t);
        times << LocalTimeText(t);
    }
    QVERIFY2(dates.contains(r.mDate), qPrintable(r.mDate));
    QVERIFY2(times.contains(r.mTime), qPrintable(r.mTime));
    QCOMPARE(r.mSender, sender);
    QCOMPARE(r.mReceiver, receiver);
    QCOMPARE(r.mFullText, text);
    QCOMPARE(r.mCutText, cut);
    QCOMPARE(r.mIncoming, incoming ? 1 : 0);
}

void TestHistoryStore::longValuesAreStoredWhole()
{
    const QString nick(80, u'Н');
    const QString text = QString(9000, u'т') + u"\r\nend"_qs;
    openWith({{nick, u"Me"_qs, text, true}, {u"Me"_qs, nick, text, false}});
    std::vector<HistoryRecord> records;
    QVERIFY(ReadStoreFile(m_store->path(), records));
    QCOMPARE(records.size(), size_t(2));
    QCOMPARE(records[0].mSender, nick);
    QCOMPARE(records[1].mReceiver, nick);
    QCOMPARE(records[0].mFullText, text);
    QCOMPARE(records[0].mCutText.size(), 200);
    // The table view reads the same.
    m_store->table().first();
    QCOMPARE(m_store->table().fieldText(HistoryField::mSender), nick);
    QCOMPARE(m_store->table().fieldText(HistoryField::mFullText), text);
}

void TestHistoryStore::secondStartReusesTheFile()
{
    openWith({{u"a"_qs, u"Вася"_qs, u"one"_qs, true},
              {u"Вася"_qs, u"b"_qs, u"two"_qs, false},
              {u"c"_qs, u"Вася"_qs, u"three"_qs, true}},
             u"Вася"_qs);
    m_store.reset(); // the program ends

    HistoryStore second;
    second.setProgramDir(m_folder->path());
    QSignalSpy counts(&second, &HistoryStore::countChanged);
    second.OpenHistory(u"Вася"_qs);
    QCOMPARE(second.path(), m_folder->filePath(u"194224241255.dat"_qs));
    QCOMPARE(counts.at(0).at(0).toLongLong(), 3);
    QCOMPARE(viewTexts(second.table()), (QStringList{u"one"_qs, u"two"_qs, u"three"_qs}));
}

void TestHistoryStore::resetLeavesAnEmptyStore()
{
    openWith({{u"a"_qs, u"Me"_qs, u"one"_qs, true}, {u"Me"_qs, u"a"_qs, u"two"_qs, false}});
    QSignalSpy counts(m_store.get(), &HistoryStore::countChanged);
    m_store->ResetHistory();
    QCOMPARE(counts.size(), 1);
    QCOMPARE(counts.at(0).at(0).toLongLong(), 0);
    QVERIFY(m_store->table().isActive());
    QCOMPARE(m_store->table().recordCount(), 0);
    std::vector<HistoryRecord> records;
    QVERIFY(ReadStoreFile(m_store->path(), records));
    QVERIFY(records.empty());
    // The store goes on taking records.
    m_store->AppendHistoryRecord(u"a"_qs, u"Me"_qs, u"after"_qs, true);
    QCOMPARE(m_store->RecordCount(), 1);
}

void TestHistoryStore::resetKeepsTheFilter()
{
    openWith({{u"a"_qs, u"Me"_qs, u"in"_qs, true}, {u"Me"_qs, u"a"_qs, u"out"_qs, false}});
    m_store->table().setFilter(true, u"mIncoming='0'"_qs);
    m_store->ResetHistory();
    QVERIFY(m_store->table().filtered());
    QCOMPARE(m_store->table().filterText(), u"mIncoming='0'"_qs);
    m_store->AppendHistoryRecord(u"a"_qs, u"Me"_qs, u"in again"_qs, true);
    m_store->AppendHistoryRecord(u"Me"_qs, u"a"_qs, u"out again"_qs, false);
    QCOMPARE(viewTexts(m_store->table()), QStringList{u"out again"_qs});
}

void TestHistoryStore::missingTemplateLeavesTheStoreClosed_data()
{
    QTest::addColumn<bool>("viaReset");
    QTest::newRow("first start without a template") << false;
    QTest::newRow("reset without a template") << true;
}

void TestHistoryStore::missingTemplateLeavesTheStoreClosed()
{
    QFETCH(bool, viaReset);
    if (viaReset)
        m_store->OpenHistory(u"Bob"_qs);
    QVERIFY(QFile::remove(m_folder->templatePath()));
    try {
        if (viaReset)
            m_store->ResetHistory();
        else
            m_store->OpenHistory(u"Bob"_qs);
        QFAIL("opening without a template succeeded");
    } catch (const EDatabaseError &e) {
        QCOMPARE(e.message(), QString::fromUtf8(sqlite3_errstr(SQLITE_CANTOPEN)));
    }
    QVERIFY(!QFile::exists(m_folder->filePath(u"6611198.dat"_qs)));
    QVERIFY(!m_store->connection().isOpen());
    QVERIFY(!m_store->table().isActive());

    // Every later write fails the same way and leaves nothing behind.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            m_store->AppendHistoryRecord(u"Me"_qs, u"Bob"_qs, u"lost"_qs, false);
            QFAIL("a write on a closed store succeeded");
        } catch (const AppError &e) {
            QCOMPARE(e.message(), ClosedDataset);
        }
    }
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, m_store->RecordCount());
    QVERIFY(!QFile::exists(m_folder->filePath(u"6611198.dat"_qs)));

    // A later reset with the template back opens the store again.
    CreateHistoryTemplate(m_folder->templatePath());
    m_store->ResetHistory();
    QCOMPARE(m_store->RecordCount(), 0);
}

void TestHistoryStore::invalidFileIsReportedAndKept_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");

    QTest::newRow("a text file") << QByteArray(8192, 'x') << u"file is not a database"_qs;
    QTest::newRow("an empty file") << QByteArray() << u"no such table: mHistory"_qs;
}

void TestHistoryStore::invalidFileIsReportedAndKept()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString file = m_folder->filePath(u"6611198.dat"_qs);
    testsupport::writeFile(file, content);
    try {
        m_store->OpenHistory(u"Bob"_qs);
        QFAIL("an invalid store opened");
    } catch (const EDatabaseError &e) {
        QCOMPARE(e.message(), message);
    }
    QVERIFY(!m_store->table().isActive());
    m_store.reset();
    QCOMPARE(testsupport::readFile(file), content);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files),
             (QStringList{u"6611198.dat"_qs, u"tmp.dat"_qs}));
}

void TestHistoryStore::chosenStoreOpensAtFirstUse_data()
{
    QTest::addColumn<QString>("use");
    for (const char *use : {"table", "connection", "append", "delete"})
        QTest::newRow(use) << QString::fromLatin1(use);
}

void TestHistoryStore::chosenStoreOpensAtFirstUse()
{
    QFETCH(QString, use);
    openWith({{u"Bob"_qs, u"Me"_qs, u"kept"_qs, true}}, u"Bob"_qs);
    m_store->ChooseHistory(u"Ann"_qs);
    // The file is made at once; nothing of it is opened, and the earlier store is closed.
    const QString file = m_folder->filePath(HistoryFileName(u"Ann"_qs));
    QCOMPARE(m_store->path(), file);
    QVERIFY(QFile::exists(file));
    const HistoryStore &unused = *m_store;
    QVERIFY(!unused.table().isActive());
    QVERIFY(!m_store->tableForBinding().isActive());

    QSignalSpy counts(m_store.get(), &HistoryStore::countChanged);
    QSignalSpy failures(m_store.get(), &HistoryStore::openFailed);
    if (use == u"table")
        QCOMPARE(m_store->table().recordCount(), 0);
    else if (use == u"connection")
        QVERIFY(m_store->connection().isOpen());
    else if (use == u"append")
        m_store->AppendHistoryRecord(u"Me"_qs, u"Ann"_qs, u"hi"_qs, false);
    else
        m_store->DeleteRecords({});
    QVERIFY(unused.table().isActive());
    QVERIFY(!m_store->connection().isReadOnly());
    QCOMPARE(m_store->RecordCount(), use == u"append" ? 1 : 0);
    QCOMPARE(counts.first().first().toLongLong(), 0);
    QVERIFY(failures.isEmpty());
}

void TestHistoryStore::chosenInvalidStoreIsToldWhenFirstUsed()
{
    const QString file = m_folder->filePath(u"6611198.dat"_qs);
    const QByteArray content(8192, 'x');
    testsupport::writeFile(file, content);
    QSignalSpy failures(m_store.get(), &HistoryStore::openFailed);
    m_store->ChooseHistory(u"Bob"_qs);
    QVERIFY(failures.isEmpty());
    try {
        m_store->AppendHistoryRecord(u"Me"_qs, u"Bob"_qs, u"lost"_qs, false);
        QFAIL("a write on an invalid store succeeded");
    } catch (const AppError &e) {
        QCOMPARE(e.message(), ClosedDataset);
    }
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.at(0).at(0).toString(), u"file is not a database"_qs);
    // Told once: later uses find the store closed, as after a failed OpenHistory.
    QVERIFY(!m_store->table().isActive());
    QCOMPARE(failures.size(), 1);
    m_store.reset();
    QCOMPARE(testsupport::readFile(file), content);
}

void TestHistoryStore::chosenTemplateIsCheckedAtOnceAndOpenedWhenUsed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("present");

    QTest::newRow("the template") << QByteArray() << true;
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("an empty file") << QByteArray("") << true;
    QTest::newRow("a text file") << QByteArray(8192, 'x') << true;
    QTest::newRow("a short file") << QByteArray("SQLite format 3") << true;
    QTest::newRow("a damaged header")
        << QByteArray("SQLite format 3\0", 16) + QByteArray(84, '\xff') << true;
}

// ChooseTemplate fails as OpenTemplate does, with the engine's own message, without opening.
void TestHistoryStore::chosenTemplateIsCheckedAtOnceAndOpenedWhenUsed()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, present);
    const QString file = m_folder->filePath(u"other.dat"_qs);
    if (!present)
        QVERIFY(!QFile::exists(file));
    else if (content.isNull())
        QVERIFY(QFile::copy(m_folder->templatePath(), file));
    else
        testsupport::writeFile(file, content);

    QString opening;
    try {
        HistoryStore eager;
        eager.OpenTemplate(file);
    } catch (const EDatabaseError &e) {
        opening = e.message();
    }
    QString choosing;
    try {
        m_store->ChooseTemplate(file);
    } catch (const EDatabaseError &e) {
        choosing = e.message();
    }
    QCOMPARE(choosing, opening);
    if (!opening.isEmpty())
        return;
    QVERIFY(m_store->connection().isOpen());
    QVERIFY(m_store->connection().isReadOnly());
    QCOMPARE(m_store->connection().databasePath(), file);
}

void TestHistoryStore::recordSurvivesAKilledProcess()
{
    QProcess helper;
    helper.setProgram(QStringLiteral(HISTORY_APPEND_AND_WAIT));
    helper.setArguments({m_folder->path(), u"Bob"_qs, u"survives\r\nthe kill"_qs});
    helper.start();
    QVERIFY(helper.waitForStarted());
    QVERIFY2(helper.waitForReadyRead(30000), helper.readAllStandardError().constData());
    QCOMPARE(helper.readAllStandardOutput(), QByteArray("appended\n"));
    helper.kill(); // SIGKILL: nothing of the process runs after the append returned
    QVERIFY(helper.waitForFinished());
    QCOMPARE(helper.exitStatus(), QProcess::CrashExit);

    // The file alone holds the record: no journal beside it, and a copy of it taken before
    // anything opens the store again (a backup, a move to another machine) is whole.
    const QString file = m_folder->filePath(HistoryFileName(u"Bob"_qs));
    for (const QString &suffix : {u"-wal"_qs, u"-journal"_qs})
        QVERIFY2(!QFile::exists(file + suffix), qPrintable(suffix));
    const QString copy = m_folder->filePath(u"copy.dat"_qs);
    QVERIFY(QFile::copy(file, copy));
    std::vector<HistoryRecord> copied;
    QVERIFY(ReadStoreFile(copy, copied));
    QCOMPARE(copied.size(), size_t(1));
    QCOMPARE(copied.front().mFullText, u"survives\r\nthe kill"_qs);

    m_store->OpenHistory(u"Bob"_qs);
    QCOMPARE(m_store->RecordCount(), 1);
    QCOMPARE(m_store->table().fieldText(HistoryField::mFullText), u"survives\r\nthe kill"_qs);
    QCOMPARE(m_store->table().fieldInt(HistoryField::mIncoming), 1);

    // A killed process keeps its record without fsync too; a lost power supply does not. The
    // engine must sync each commit in full and keep no journal beside the file.
    const auto pragma = [this](const char *sql) {
        sqlite3_stmt *statement = nullptr;
        QString value;
        if (sqlite3_prepare_v2(m_store->connection().handle(), sql, -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            value = QString::fromUtf8(
                reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return value;
    };
    QCOMPARE(pragma("PRAGMA synchronous"), u"2"_qs); // FULL
    QCOMPARE(pragma("PRAGMA journal_mode"), u"delete"_qs);
}

void TestHistoryStore::filterSelectsByDirection_data()
{
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("filter off: all")
        << false << QString() << QStringList{u"i1"_qs, u"o1"_qs, u"i2"_qs, u"o2"_qs, u"i3"_qs};
    QTest::newRow("incoming") << true << u"mIncoming='1'"_qs
                              << QStringList{u"i1"_qs, u"i2"_qs, u"i3"_qs};
    QTest::newRow("outgoing") << true << u"mIncoming='0'"_qs << QStringList{u"o1"_qs, u"o2"_qs};
    QTest::newRow("text kept while the filter is off")
        << false << u"mIncoming='0'"_qs
        << QStringList{u"i1"_qs, u"o1"_qs, u"i2"_qs, u"o2"_qs, u"i3"_qs};
}

void TestHistoryStore::filterSelectsByDirection()
{
    QFETCH(bool, filtered);
    QFETCH(QString, filter);
    QFETCH(QStringList, texts);
    openWith({{u"a"_qs, u"Me"_qs, u"i1"_qs, true},
              {u"Me"_qs, u"a"_qs, u"o1"_qs, false},
              {u"b"_qs, u"Me"_qs, u"i2"_qs, true},
              {u"Me"_qs, u"b"_qs, u"o2"_qs, false},
              {u"c"_qs, u"Me"_qs, u"i3"_qs, true}});
    HistoryTable &table = m_store->table();
    table.setFilter(filtered, filter);
    QCOMPARE(table.recordCount(), texts.size());
    QCOMPARE(viewTexts(table), texts);
    QCOMPARE(m_store->RecordCount(), qint64(texts.size()));
    QCOMPARE(table.recNo(), 0); // a new filter starts at the first record
}

void TestHistoryStore::viewKeepsTheTableOrder()
{
    // Directions mixed irregularly: the view lists the records in the order they were written.
    QStringList written;
    m_store->OpenHistory(u"Me"_qs);
    for (int i = 0; i < 40; ++i) {
        const bool incoming = (i * 7) % 3 == 0;
        written << QString::number(i);
        m_store->AppendHistoryRecord(u"a"_qs, u"b"_qs, written.last(), incoming);
    }
    m_store->connection().close();
    m_store->OpenHistory(u"Me"_qs);
    QCOMPARE(viewTexts(m_store->table()), written);
}

void TestHistoryStore::everyFilterFollowsChangesMadeUnderAnother()
{
    openWith({{u"a"_qs, u"Me"_qs, u"i1"_qs, true},
              {u"Me"_qs, u"a"_qs, u"o1"_qs, false},
              {u"b"_qs, u"Me"_qs, u"i2"_qs, true}});
    HistoryTable &table = m_store->table();
    const QString filters[] = {QString(), u"mIncoming='1'"_qs, u"mIncoming='0'"_qs};
    auto use = [&](int f) { table.setFilter(!filters[f].isEmpty(), filters[f]); };
    // Every view as the file holds it, read apart from the table view.
    auto expected = [&](int f) {
        std::vector<HistoryRecord> records;
        if (!ReadStoreFile(m_store->path(), records))
            return QStringList{u"unreadable"_qs};
        QStringList texts;
        for (const HistoryRecord &r : records) {
            if (f == 0 || r.mIncoming == (f == 1 ? 1 : 0))
                texts << r.mFullText;
        }
        return texts;
    };
    for (const int f : {1, 2, 0})
        use(f); // each filter's view is taken once
    use(2);
    m_store->AppendHistoryRecord(u"c"_qs, u"Me"_qs, u"i3"_qs, true);
    m_store->AppendHistoryRecord(u"Me"_qs, u"c"_qs, u"o2"_qs, false);
    table.first();
    table.deleteCurrent(); // o1, on the outgoing view
    use(1);
    table.moveTo(1);
    table.deleteCurrent(); // i2, on the incoming view
    m_store->AppendHistoryRecord(u"d"_qs, u"Me"_qs, u"i4"_qs, true);
    for (const int f : {0, 1, 2, 0}) {
        use(f);
        QCOMPARE(viewTexts(table), expected(f));
        for (int i = 0; i < table.recordCount(); ++i)
            QCOMPARE(table.incomingAt(i), table.textAt(i, HistoryField::mCutText).startsWith(u'i'));
    }
    QCOMPARE(expected(0), (QStringList{u"i1"_qs, u"i3"_qs, u"o2"_qs, u"i4"_qs}));
}

void TestHistoryStore::readsAcrossWindows_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("incomingEvery");

    QTest::newRow("several windows of neighbouring records") << 700 << 2;
    QTest::newRow("records of the view far apart in the table") << 3000 << 97;
}

void TestHistoryStore::readsAcrossWindows()
{
    QFETCH(int, records);
    QFETCH(int, incomingEvery);
    m_store->OpenHistory(u"Me"_qs);
    std::vector<HistoryRecord> batch;
    for (int i = 0; i < records; ++i) {
        HistoryRecord r = MakeHistoryRecord(u"s"_qs + QString::number(i), u"r"_qs,
                                            u"text "_qs + QString::number(i),
                                            i % incomingEvery == 0, QDateTime::currentDateTime());
        batch.push_back(r);
    }
    m_store->connection().appendRecords(batch);
    HistoryTable &table = m_store->table();
    table.setFilter(true, u"mIncoming='1'"_qs);
    const int expected = (records + incomingEvery - 1) / incomingEvery;
    QCOMPARE(table.recordCount(), expected);
    // Out of order, so windows are read again and again.
    for (const int position : {expected - 1, 0, expected / 2, 1, expected - 2}) {
        const int i = position * incomingEvery;
        QCOMPARE(table.textAt(position, HistoryField::mCutText), u"text "_qs + QString::number(i));
        QCOMPARE(table.textAt(position, HistoryField::mSender), u"s"_qs + QString::number(i));
        QCOMPARE(table.incomingAt(position), 1);
    }
}

void TestHistoryStore::movesStopAtTheEnds()
{
    openWith({{u"a"_qs, u"Me"_qs, u"first"_qs, true},
              {u"a"_qs, u"Me"_qs, u"middle"_qs, true},
              {u"a"_qs, u"Me"_qs, u"last"_qs, true}});
    HistoryTable &table = m_store->table();
    table.first();
    QVERIFY(!table.bof() && !table.eof());
    table.prior();
    QVERIFY(table.bof());
    QCOMPARE(table.fieldText(HistoryField::mCutText), u"first"_qs);
    table.next();
    QVERIFY(!table.bof());
    table.next();
    QCOMPARE(table.fieldText(HistoryField::mCutText), u"last"_qs);
    QVERIFY(!table.eof());
    table.next();
    QVERIFY(table.eof());
    QCOMPARE(table.recNo(), 2);
    QCOMPARE(table.fieldText(HistoryField::mCutText), u"last"_qs);
}

void TestHistoryStore::emptyViewIsAtBothEnds()
{
    m_store->OpenHistory(u"Me"_qs);
    HistoryTable &table = m_store->table();
    QVERIFY(table.eof() && table.bof());
    QCOMPARE(table.recNo(), -1);
    table.next();
    QVERIFY(table.eof());
    QCOMPARE(table.fieldText(HistoryField::mCutText), QString());
    QCOMPARE(table.bookmark(), HistoryTable::NoBookmark);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, table.deleteCurrent());
}

void TestHistoryStore::bookmarksSurviveDeletions()
{
    openWith({{u"a"_qs, u"Me"_qs, u"one"_qs, true},
              {u"a"_qs, u"Me"_qs, u"two"_qs, true},
              {u"a"_qs, u"Me"_qs, u"three"_qs, true}});
    HistoryTable &table = m_store->table();
    table.moveTo(2);
    const HistoryTable::Bookmark mark = table.bookmark();
    table.first();
    table.deleteCurrent();
    QVERIFY(table.bookmarkValid(mark));
    table.gotoBookmark(mark);
    QCOMPARE(table.fieldText(HistoryField::mCutText), u"three"_qs);
    QCOMPARE(table.recNo(), 1);
    table.deleteCurrent();
    QVERIFY(!table.bookmarkValid(mark));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, table.gotoBookmark(mark));
}

void TestHistoryStore::deleteMakesTheNextRecordCurrent()
{
    openWith({{u"a"_qs, u"Me"_qs, u"one"_qs, true},
              {u"a"_qs, u"Me"_qs, u"two"_qs, true},
              {u"a"_qs, u"Me"_qs, u"three"_qs, true}});
    HistoryTable &table = m_store->table();
    table.moveTo(1);
    table.deleteCurrent();
    QCOMPARE(table.fieldText(HistoryField::mCutText), u"three"_qs);
    table.deleteCurrent(); // the last one: the one before becomes current
    QCOMPARE(table.fieldText(HistoryField::mCutText), u"one"_qs);
    table.deleteCurrent();
    QCOMPARE(table.recNo(), -1);
    QVERIFY(table.eof() && table.bof());
    std::vector<HistoryRecord> records;
    QVERIFY(ReadStoreFile(m_store->path(), records));
    QVERIFY(records.empty());
}

void TestHistoryStore::appendMakesTheRecordCurrentWhenTheFilterAdmitsIt_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("incoming");
    QTest::addColumn<bool>("shown");

    QTest::newRow("all records") << QString() << true << true;
    QTest::newRow("incoming record on the incoming view") << u"mIncoming='1'"_qs << true << true;
    QTest::newRow("incoming record on the outgoing view") << u"mIncoming='0'"_qs << true << false;
}

void TestHistoryStore::appendMakesTheRecordCurrentWhenTheFilterAdmitsIt()
{
    QFETCH(QString, filter);
    QFETCH(bool, incoming);
    QFETCH(bool, shown);
    openWith({{u"a"_qs, u"Me"_qs, u"in"_qs, true}, {u"Me"_qs, u"a"_qs, u"out"_qs, false}});
    HistoryTable &table = m_store->table();
    table.setFilter(!filter.isEmpty(), filter);
    const int before = table.recordCount();
    table.first();
    m_store->AppendHistoryRecord(u"x"_qs, u"y"_qs, u"new"_qs, incoming);
    QCOMPARE(table.recordCount(), before + (shown ? 1 : 0));
    QCOMPARE(table.fieldText(HistoryField::mCutText) == u"new"_qs, shown);
    QCOMPARE(m_store->RecordCount(), qint64(before + (shown ? 1 : 0)));
}

void TestHistoryStore::closedTableRefusesEveryOperation()
{
    HistoryTable &table = m_store->table();
    const std::function<void()> operations[] = {
        [&] { table.recordCount(); },
        [&] { table.next(); },
        [&] { table.prior(); },
        [&] { table.first(); },
        [&] { table.eof(); },
        [&] { table.bookmark(); },
        [&] { table.fieldText(HistoryField::mCutText); },
        [&] { table.deleteCurrent(); },
        [&] { table.append(HistoryRecord()); },
    };
    for (const auto &operation : operations) {
        try {
            operation();
            QFAIL("an operation on the closed table succeeded");
        } catch (const EDatabaseError &e) {
            QCOMPARE(e.message(), ClosedDataset);
        }
    }
    // Filter settings are kept while closed and used when the view opens.
    table.setFilter(true, u"mIncoming='1'"_qs);
    openWith({{u"a"_qs, u"Me"_qs, u"in"_qs, true}, {u"Me"_qs, u"a"_qs, u"out"_qs, false}});
    QCOMPARE(viewTexts(table), QStringList{u"in"_qs});
}

void TestHistoryStore::disabledControlsAnnounceOnce()
{
    openWith({{u"a"_qs, u"Me"_qs, u"one"_qs, true},
              {u"a"_qs, u"Me"_qs, u"two"_qs, true},
              {u"a"_qs, u"Me"_qs, u"three"_qs, true}});
    HistoryTable &table = m_store->table();
    table.first();
    QSignalSpy moves(&table, &HistoryTable::currentChanged);
    table.disableControls();
    table.next();
    table.next();
    QCOMPARE(moves.size(), 0);
    table.enableControls();
    QCOMPARE(moves.size(), 1);
    table.prior();
    QCOMPARE(moves.size(), 2);
}

void TestHistoryStore::searchLeavesPositionWhenNothingIsFound()
{
    openWith({{u"a"_qs, u"Me"_qs, u"alpha"_qs, true},
              {u"a"_qs, u"Me"_qs, u"beta"_qs, true},
              {u"a"_qs, u"Me"_qs, u"gamma"_qs, true}});
    HistoryTable &table = m_store->table();
    table.moveTo(1);
    QSignalSpy moves(&table, &HistoryTable::currentChanged);
    QVERIFY(!SearchCutText(table, u"delta"_qs, SearchDirection::Down));
    QCOMPARE(table.recNo(), 1);
    QVERIFY(!table.eof());
    QCOMPARE(moves.size(), 1); // announced once, when the search is over
    QVERIFY(SearchCutText(table, u"GAM"_qs, SearchDirection::Down));
    QCOMPARE(table.recNo(), 2);
}

void TestHistoryStore::searchWalksLongViews_data()
{
    QTest::addColumn<int>("incomingEvery");
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<bool>("down");

    QTest::newRow("all records, down") << 2 << false << true;
    QTest::newRow("all records, up") << 2 << false << false;
    QTest::newRow("every other record, down") << 2 << true << true;
    QTest::newRow("every other record, up") << 2 << true << false;
    QTest::newRow("records far apart, down") << 97 << true << true;
    QTest::newRow("records far apart, up") << 97 << true << false;
}

void TestHistoryStore::searchWalksLongViews()
{
    QFETCH(int, incomingEvery);
    QFETCH(bool, filtered);
    QFETCH(bool, down);
    // 3000 records; the word is in three of them, all incoming, far apart.
    const int targets[] = {0, 970, 2910};
    m_store->OpenHistory(u"Me"_qs);
    std::vector<HistoryRecord> batch;
    for (int i = 0; i < 3000; ++i) {
        const bool target =
            std::find(std::begin(targets), std::end(targets), i) != std::end(targets);
        const QString text = u"запись "_qs + QString::number(i) + (target ? u" ЦЕЛЬ"_qs : u""_qs);
        batch.push_back(MakeHistoryRecord(u"a"_qs, u"b"_qs, text, i % incomingEvery == 0,
                                          QDateTime::currentDateTime()));
    }
    m_store->connection().appendRecords(batch);
    m_store->OpenHistory(u"Me"_qs); // the view is a snapshot: take it again
    HistoryTable &table = m_store->table();
    table.setFilter(filtered, u"mIncoming='1'"_qs);
    // A record was deleted behind the view's back: the search passes over it.
    m_store->connection().exec(u"DELETE FROM mHistory WHERE mFullText = 'запись 1940'"_qs);

    // From the first (last) record, which the search never examines, to the other end.
    down ? table.first() : table.last();
    QStringList expected;
    for (int p = table.recNo() + (down ? 1 : -1); p >= 0 && p < table.recordCount();
         p += down ? 1 : -1) {
        const QString text = table.textAt(p, HistoryField::mCutText);
        if (text.endsWith(u" ЦЕЛЬ"_qs))
            expected << text;
    }
    QCOMPARE(expected.size(), down ? 2 : (incomingEvery == 97 ? 2 : 3));
    QStringList found;
    const SearchDirection direction = down ? SearchDirection::Down : SearchDirection::Up;
    while (SearchCutText(table, u"цель"_qs, direction))
        found << table.fieldText(HistoryField::mCutText);
    QCOMPARE(found, expected);
    QCOMPARE(table.fieldText(HistoryField::mCutText), expected.last());
}

void TestHistoryStore::modelFollowsTheTable()
{
    HistoryModel model(m_store->table());
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), HistoryFieldCount);
    openWith({{u"a"_qs, u"Me"_qs, u"one"_qs, true}, {u"Me"_qs, u"a"_qs, u"two"_qs, false}});
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), u"mCutText"_qs);
    QVERIFY(model.setHeaderData(4, Qt::Horizontal, u"Message"_qs));
    QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), u"Message"_qs);
    QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), u"mReceiver"_qs);
    QCOMPARE(model.index(1, int(HistoryField::mCutText)).data().toString(), u"two"_qs);
    QCOMPARE(model.index(0, 0).data(HistoryModel::IncomingRole).toInt(), 1);
    QCOMPARE(model.index(1, 0).data(HistoryModel::IncomingRole).toInt(), 0);
    QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    m_store->table().first();
    m_store->table().deleteCurrent();
    QCOMPARE(removed.size(), 1);
    QCOMPARE(model.rowCount(), 1);
    m_store->connection().close();
    QCOMPARE(model.rowCount(), 0);
}

PALAVRIX_TEST_GUILESS_MAIN(TestHistoryStore)
namespace
{

// The pages of a database file whose b-tree page type is `type` (0x0D a page of records,
// 0x0A a page of an index), 1-based.
QList<int> pagesOfType(const QByteArray &file, char type)
{
    const int size = (uchar(file[16]) << 8 | uchar(file[17])) == 1
                         ? 65536
                         : (uchar(file[16]) << 8 | uchar(file[17]));
    QList<int> pages;
    for (int page = 2; qsizetype(page) * size <= file.size(); ++page) {
        if (file[qsizetype(page - 1) * size] == type)
            pages << page;
    }
    return pages;
}

// Spoils the header of the given page, as a failing disk would.
void damagePage(QByteArray &file, int page)
{
    const int size = uchar(file[16]) << 8 | uchar(file[17]);
    for (int i = 0; i < 12; ++i)
        file[qsizetype(page - 1) * size + i] = char(0xFF);
}

} // namespace

void TestHistoryStore::damagedPagesHideOnlyWhatCannotBeRead_data()
{
    QTest::addColumn<bool>("records");
    QTest::addColumn<bool>("index");
    QTest::newRow("a page of records") << true << false;
    QTest::newRow("a page of the direction index") << false << true;
    QTest::newRow("a page of each") << true << true;
}

void TestHistoryStore::damagedPagesHideOnlyWhatCannotBeRead()
{
    QFETCH(bool, records);
    QFETCH(bool, index);
    constexpr int Total = 3000;
    m_store->OpenHistory(u"Me"_qs);
    std::vector<HistoryRecord> batch;
    for (int i = 0; i < Total; ++i)
        batch.push_back(MakeHistoryRecord(
            u"Анна"_qs, u"Me"_qs, u"record "_qs + QString::number(i) + u' ' + QString(120, u'x'),
            i % 3 == 0, QDateTime::currentDateTime()));
    m_store->connection().appendRecords(batch);
    const QString path = m_store->path();
    m_store->connection().close();

    QByteArray file = testsupport::readFile(path);
    const QList<int> recordPages = pagesOfType(file, 0x0D);
    const QList<int> indexPages = pagesOfType(file, 0x0A);
    QVERIFY(recordPages.size() > 20 && indexPages.size() > 2);
    if (records)
        damagePage(file, recordPages[recordPages.size() / 2]);
    if (index)
        damagePage(file, indexPages[indexPages.size() / 2]);
    testsupport::writeFile(path, file);

    m_store->OpenHistory(u"Me"_qs);
    HistoryTable &table = m_store->table();
    QSignalSpy damage(&table, &HistoryTable::damageFound);
    // Every row reads as a record or as marked damaged, never blank, even before the views
    // leave the unreadable ones out.
    HistoryModel model(table);
    model.setUnreadableText(u"(damaged)"_qs);
    for (int row = 0; row < table.recordCount(); ++row) {
        const QString text = model.index(row, int(HistoryField::mCutText)).data().toString();
        QVERIFY2(text.startsWith(u"record "_qs) ||
                     (text == u"(damaged)"_qs && table.unreadableAt(row)),
                 qPrintable(QString::number(row) + u' ' + text));
    }
    QTRY_COMPARE(damage.count(), 1);
    const int unreadable = damage.at(0).at(0).toInt();

    QSet<int> shown;
    for (int row = 0; row < table.recordCount(); ++row) {
        const QString text = table.textAt(row, HistoryField::mCutText);
        QVERIFY2(text.startsWith(u"record "_qs), qPrintable(text));
        const int number = text.section(u' ', 1, 1).toInt();
        QCOMPARE(text, batch[size_t(number)].mCutText);
        QCOMPARE(table.textAt(row, HistoryField::mFullText), batch[size_t(number)].mFullText);
        QCOMPARE(table.incomingAt(row), batch[size_t(number)].mIncoming);
        shown.insert(number);
    }
    QCOMPARE(shown.size(), table.recordCount());
    // A page of records holds a few dozen of them; every other record is shown.
    if (records) {
        QVERIFY(table.recordCount() < Total);
        QVERIFY(table.recordCount() > Total - 100);
    } else {
        QCOMPARE(table.recordCount(), Total);
    }
    if (unreadable >= 0)
        QCOMPARE(table.recordCount() + unreadable, Total);
    else
        QVERIFY(index);
    QCOMPARE(m_store->RecordCount(), qint64(table.recordCount()));
    // The filters see the same records.
    table.setFilter(true, u"mIncoming='1'"_qs);
    for (int row = 0; row < table.recordCount(); ++row)
        QVERIFY(table.textAt(row, HistoryField::mCutText).startsWith(u"record "_qs));
    QCOMPARE(table.recordCount(),
             int(std::count_if(shown.begin(), shown.end(), [](int n) { return n % 3 == 0; })));
}

void TestHistoryStore::exportLines_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QByteArray>("plain");

    QTest::newRow("a plain line") << u"Анна"_qs << u"привет"_qs
                                  << QByteArray("10.12.2026,09:05:07,Анна,Me,привет\r\n")
                                  << QByteArray("10.12.2026 09:05:07 Анна -> Me\nпривет\n\n");
    QTest::newRow("separators, quotes and line breaks are quoted whole")
        << u"A, B"_qs << u"say \"hi\"\r\nand go"_qs
        << QByteArray("10.12.2026,09:05:07,\"A, B\",Me,\"say \"\"hi\"\"\r\nand go\"\r\n")
        << QByteArray("10.12.2026 09:05:07 A, B -> Me\nsay \"hi\"\nand go\n\n");
    QTest::newRow("a text a spreadsheet would take for a formula")
        << u"-=Vasya=-"_qs << u"=HYPERLINK(\"x\")"_qs
        << QByteArray("10.12.2026,09:05:07,'-=Vasya=-,Me,\"'=HYPERLINK(\"\"x\"\")\"\r\n")
        << QByteArray("10.12.2026 09:05:07 -=Vasya=- -> Me\n=HYPERLINK(\"x\")\n\n");
}

void TestHistoryStore::exportLines()
{
    QFETCH(QString, sender);
    QFETCH(QString, text);
    QFETCH(QByteArray, csv);
    QFETCH(QByteArray, plain);
    HistoryRecord r = MakeHistoryRecord(sender, u"Me"_qs, text, true, QDateTime());
    r.mDate = u"10.12.2026"_qs;
    r.mTime = u"09:05:07"_qs;
    QCOMPARE(HistoryExportLine(r, HistoryExportFormat::Csv), csv);
    QCOMPARE(HistoryExportLine(r, HistoryExportFormat::Text), plain);
}

void TestHistoryStore::exportWritesTheGivenRecordsInOrder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("picked"); // positions; empty: the whole view
    QTest::newRow("every record as text") << u"all.txt"_qs << 5 << QList<int>{};
    QTest::newRow("a selection as CSV") << u"picked.CSV"_qs << 5 << QList<int>{1, 3, 4};
    // Past the records read with one statement, and past a chunk of the file.
    QTest::newRow("many records as CSV") << u"many.csv"_qs << 12000 << QList<int>{};
}

void TestHistoryStore::exportWritesTheGivenRecordsInOrder()
{
    QFETCH(QString, name);
    QFETCH(int, records);
    QFETCH(QList<int>, picked);
    m_store->OpenHistory(u"Me"_qs);
    std::vector<HistoryRecord> batch;
    for (int i = 0; i < records; ++i)
        batch.push_back(MakeHistoryRecord(u"Анна"_qs, u"Me"_qs,
                                          u"строка "_qs + QString::number(i) + u"\r\nдальше"_qs,
                                          true, QDateTime::currentDateTime()));
    m_store->connection().appendRecords(batch);
    m_store->table().close();
    m_store->table().open();
    HistoryTable &table = m_store->table();
    std::vector<HistoryTable::Bookmark> keys;
    for (const int position : picked)
        keys.push_back(table.bookmarkAt(position));
    if (picked.isEmpty())
        keys = table.keys();
    const QString path = m_folder->filePath(name);
    const HistoryExportFormat format = HistoryExportFormatOf(path);
    qint64 lastDone = 0;
    QVERIFY(ExportHistory(table, keys, path, format, u"Date,Time,Sender,Receiver,Text"_qs,
                          [&](qint64 done, qint64 total) {
                              lastDone = done;
                              return total == qint64(keys.size());
                          }));
    QCOMPARE(lastDone, qint64(keys.size()));

    QByteArray expected;
    if (format == HistoryExportFormat::Csv)
        expected = "\xEF\xBB\xBF"
                   "Date,Time,Sender,Receiver,Text\r\n";
    for (int i = 0; i < int(keys.size()); ++i) {
        const int position = picked.isEmpty() ? i : picked[i];
        expected += HistoryExportLine(batch[size_t(position)], format);
    }
    QCOMPARE(testsupport::readFile(path), expected);
}

void TestHistoryStore::cancelledExportLeavesTheFile()
{
    openWith({{u"Анна"_qs, u"Me"_qs, u"one"_qs, true}, {u"Me"_qs, u"Анна"_qs, u"two"_qs, false}});
    const QString path = m_folder->filePath(u"kept.txt"_qs);
    testsupport::writeFile(path, "what was there");
    QVERIFY(!ExportHistory(m_store->table(), m_store->table().keys(), path,
                           HistoryExportFormat::Text, QString(),
                           [](qint64, qint64) { return false; }));
    QCOMPARE(testsupport::readFile(path), QByteArray("what was there"));
}

void TestHistoryStore::exportToAnUnwritablePlaceIsReported()
{
    openWith({{u"Анна"_qs, u"Me"_qs, u"one"_qs, true}});
    const QString path = m_folder->filePath(u"no such folder/out.csv"_qs);
    try {
        ExportHistory(m_store->table(), m_store->table().keys(), path, HistoryExportFormat::Csv,
                      u"Date"_qs, [](qint64, qint64) { return true; });
        QFAIL("the export claimed to have written the file");
    } catch (const EHistoryExportError &error) {
        QCOMPARE(error.fileName(), path);
        QVERIFY(!error.reason().isEmpty());
    }
}

#include "tst_HistoryStore.moc"
