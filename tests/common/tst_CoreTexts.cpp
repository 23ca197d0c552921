#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

// The core libraries report values and kinds; the windows and the peer's console word them. So
// no core source holds Russian, nor asks for a translation, save the named few whose Russian is
// data other copies or stored files rely on.
class TestCoreTexts final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void everyCoreFolderIsScanned_data();
    void everyCoreFolderIsScanned();
    void noTextOfTheWindows();

private:
    QStringList m_sources; // relative to the source folder
};

namespace
{

// Russian that is data, not wording.
const QStringList RussianData{
    // The chat protocol: the entry and leave notices and the texts the receive path recognises.
    u"core/net/Datagram.cpp"_s,
    // The code page's letters.
    u"core/common/Cp1251.h"_s,
    u"core/common/Cp1251.cpp"_s,
    // The line the history stores of a file, the same in every copy.
    u"core/transfer/FileRecord.h"_s,
    u"core/transfer/FileRecord.cpp"_s,
};

const QRegularExpression Cyrillic(u"[\\x{0400}-\\x{04FF}]"_s);
const QRegularExpression
    Translation(u"\\b(tr|translate|qtTrId|QT_TR_NOOP|QT_TRANSLATE_NOOP|QT_TRID_NOOP)\\s*\\("_s);

} // namespace

void TestCoreTexts::initTestCase()
{
    QFile list(QStringLiteral(PALAVRIX_CORE_SOURCES));
    QVERIFY(list.open(QIODevice::ReadOnly | QIODevice::Text));
    const QDir root(QStringLiteral(PALAVRIX_SOURCE_DIR));
    for (const QString &path : QString::fromUtf8(list.readAll()).split(u'\n', Qt::SkipEmptyParts))
        m_sources << root.relativeFilePath(path);
    for (const QString &exception : RussianData)
        QVERIFY2(m_sources.contains(exception), qPrintable(exception));
}

void TestCoreTexts::everyCoreFolderIsScanned_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("Common helpers") << u"core/common/AppError.cpp"_s;
    QTest::newRow("Network") << u"core/net/UdpEndpoints.cpp"_s;
    QTest::newRow("File transfer") << u"core/transfer/FileTransferService.cpp"_s;
    QTest::newRow("History store") << u"core/history/HistoryStore.cpp"_s;
    QTest::newRow("Chat session") << u"core/chat/ChatSession.cpp"_s;
    QTest::newRow("Chat.cfg and options") << u"core/shell/ConfigFile.cpp"_s;
    QTest::newRow("Desktop notifications") << u"core/notifier/DesktopNotifier.cpp"_s;
    QTest::newRow("Skin rules") << u"core/skins/SkinRules.cpp"_s;
}

void TestCoreTexts::everyCoreFolderIsScanned()
{
    QFETCH(QString, source);
    QVERIFY2(m_sources.contains(source), qPrintable(source));
}

void TestCoreTexts::noTextOfTheWindows()
{
    const QDir root(QStringLiteral(PALAVRIX_SOURCE_DIR));
    QStringList found;
    for (const QString &source : std::as_const(m_sources)) {
        QFile file(root.filePath(source));
        QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(source));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const bool russian = !RussianData.contains(source) && lines[i].contains(Cyrillic);
            if (russian || lines[i].contains(Translation))
                found << u"%1:%2: %3"_s.arg(source).arg(i + 1).arg(lines[i].trimmed());
        }
    }
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

PALAVRIX_TEST_GUILESS_MAIN(TestCoreTexts)
#include "tst_CoreTexts.moc"
