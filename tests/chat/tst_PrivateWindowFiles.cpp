#include "AppPaths.h"
#include "AppWindows.h"
#include "ChatSession.h"
#include "Dialogs.h"
#include "FileTransferService.h"
#include "HistoryDatabase.h"
#include "HistoryRecord.h"
#include "HistorySearch.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "LogView.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "SettingsWindow.h"
#include "TestSupport.h"
#include "TransferPanel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;
using namespace transfer;

// The private window's file commands against another copy's file service on the loopback
// interface: Ivan is the window, Olga the other copy.
class TestPrivateWindowFiles final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void fileCommandsFollowTheRecipient_data();
    void fileCommandsFollowTheRecipient();
    void offerShowsAcceptAndDecline();
    void offerFloodAlertsOnce_data();
    void offerFloodAlertsOnce();
    void receivedFileIsRecorded();
    void sentFilesAreRecorded_data();
    void sentFilesAreRecorded();
    void unreadableFileIsWorded_data();
    void unreadableFileIsWorded();

private:
    void chooseOlga();
    void olgaAnnounces();
    QPushButton *panelButton(const QString &caption) const;
    QStringList records() const;

    QTemporaryDir m_home; // the user's folders, the download folder among them
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCwd;
    std::unique_ptr<AppWindows> m_windows;
    std::unique_ptr<FileTransferService> m_ivan;
    std::unique_ptr<FileTransferService> m_olga;
};

namespace
{

constexpr int WaitMs = 15000;
const QHostAddress Loopback(QHostAddress::LocalHost);
const QString OlgaItem = u"Olga - 127.0.0.1"_s;
const QString NotTaking = u"Olga не может принять файлы: его копия программы старой версии или "
                          u"передача файлов в ней выключена"_s;

QString WriteBytes(const QString &path, qint64 size)
{
    testsupport::writeFile(path, QByteArray(size, 'x'));
    return path;
}

// A drop of local files, as a file manager makes it, onto `target`.
bool DropFiles(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

void TestPrivateWindowFiles::initTestCase()
{
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qunsetenv("XDG_CONFIG_HOME");
}

void TestPrivateWindowFiles::init()
{
    // The windows speak Russian here, and their numbers follow.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    apppaths::SetProgramFolder(m_dir->path());
    QVERIFY(
        QFile::copy(QStringLiteral(PALAVRIX_STAGE_DIR "/tmp.dat"), m_dir->filePath(u"tmp.dat"_s)));
    Dialogs::clearHistory();
    Dialogs::setAutoAnswer(true);
    m_windows = std::make_unique<AppWindows>();
    Form2->CheckBox14->setChecked(false); // no desktop notification leaves the test
    HForm->Store->setProgramDir(m_dir->path());
    m_windows->Services().Session().setOwnNick(u"Ivan"_s);
    HForm->OpenHistory(u"Ivan"_s);
    m_ivan = std::make_unique<FileTransferService>();
    m_olga = std::make_unique<FileTransferService>();
    // Both are chat users on the loopback address.
    TransferOptions options;
    options.port = 0;
    options.isChatUser = [](const QHostAddress &, const QString &) { return true; };
    options.nick = u"Ivan"_s;
    m_ivan->start(options);
    options.nick = u"Olga"_s;
    m_olga->start(options);
    Form4->setFileService(m_ivan.get());
}

void TestPrivateWindowFiles::cleanup()
{
    m_olga.reset();
    m_ivan.reset();
    m_windows.reset();
    apppaths::SetProgramFolder(QString());
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

// Olga's copy announces itself, and Ivan chooses her.
void TestPrivateWindowFiles::chooseOlga()
{
    olgaAnnounces();
    Form4->ComboBox1->setEditText(OlgaItem);
}

// Offers are taken only from a copy that announced itself: the two copies hear each other.
void TestPrivateWindowFiles::olgaAnnounces()
{
    m_olga->announceTo(Loopback, m_ivan->port());
    m_ivan->announceTo(Loopback, m_olga->port());
    QTRY_COMPARE_WITH_TIMEOUT(m_ivan->peerPort(Loopback), m_olga->port(), WaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_olga->peerPort(Loopback), m_ivan->port(), WaitMs);
}

QPushButton *TestPrivateWindowFiles::panelButton(const QString &caption) const
{
    for (QPushButton *button : Form4->Transfers->findChildren<QPushButton *>()) {
        if (button->text() == caption)
            return button;
    }
    return nullptr;
}

// Sender, receiver, text and direction of each record, in order.
QStringList TestPrivateWindowFiles::records() const
{
    const HistoryTable &table = HForm->Store->table();
    QStringList rows;
    for (int i = 0; i < table.recordCount(); ++i)
        rows.append(table.textAt(i, HistoryField::mSender) + u'>' +
                    table.textAt(i, HistoryField::mReceiver) + u": "_s +
                    table.textAt(i, HistoryField::mFullText) + u" ["_s +
                    table.textAt(i, HistoryField::mIncoming) + u']');
    return rows;
}

void TestPrivateWindowFiles::fileCommandsFollowTheRecipient_data()
{
    QTest::addColumn<bool>("service");   // the window has a running file service
    QTest::addColumn<bool>("announced"); // Olga's copy said it takes files
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QString>("capability");
    QTest::newRow("file transfer switched off here")
        << false << true << OlgaItem << u"Передача файлов выключена"_s << QString();
    QTest::newRow("nobody chosen")
        << true << true << u"Выбери получателя..."_s << u"Получатель не выбран"_s << QString();
    QTest::newRow("an older copy, which never announces")
        << true << false << OlgaItem << NotTaking << u"не принимает файлы"_s;
    QTest::newRow("a copy that takes files")
        << true << true << OlgaItem << u"Отправить файлы пользователю Olga"_s
        << u"принимает файлы"_s;
}

void TestPrivateWindowFiles::fileCommandsFollowTheRecipient()
{
    QFETCH(bool, service);
    QFETCH(bool, announced);
    QFETCH(QString, recipient);
    QFETCH(QString, tooltip);
    QFETCH(QString, capability);
    if (!service)
        m_ivan->stop();
    if (announced && service)
        chooseOlga();
    Form4->ComboBox1->setEditText(recipient);

    const bool enabled = tooltip.startsWith(u"Отправить"_s);
    QCOMPARE(Form4->FileButton->isEnabled(), enabled);
    QCOMPARE(Form4->FileButton->toolTip(), tooltip);
    QCOMPARE(Form4->SendFileAction->isEnabled(), enabled);
    QVERIFY(Form4->RichEdit1->actions().contains(Form4->SendFileAction));
    QCOMPARE(Form4->FileCapability->text(), capability);
    QCOMPARE(Form4->FileCapability->textFormat(), Qt::PlainText);

    // A drop is taken only where an offer can go; a refused one leaves the input box alone.
    const QString path = WriteBytes(m_dir->filePath(u"a.txt"_s), 3);
    QCOMPARE(DropFiles(Form4->RichEdit2->viewport(), {path}), enabled);
    QCOMPARE(Form4->RichEdit2->toPlainText(), QString());
}

void TestPrivateWindowFiles::offerShowsAcceptAndDecline()
{
    QSignalSpy olgaEnds(m_olga.get(), &FileTransferService::finished);
    const QString path = WriteBytes(m_dir->filePath(u"report.pdf"_s), 1258291);
    olgaAnnounces();
    m_olga->offerFiles(Loopback, m_ivan->port(), {path});
    QTRY_COMPARE_WITH_TIMEOUT(Form4->Transfers->rowCount(), 1, WaitMs);
    QVERIFY(Form4->Transfers->isVisibleTo(Form4));
    const auto *title = Form4->Transfers->findChild<QLabel *>(u"TransferTitle"_s);
    QCOMPARE(title->text(), u"Olga (127.0.0.1) предлагает файлы: report.pdf (1,2 МБ)"_s);
    QVERIFY(panelButton(u"Принять..."_s));
    QVERIFY(panelButton(u"Отклонить"_s));
    // The offer comes up like a private message: the window opens (the option is on here) or
    // the private button blinks.
    QVERIFY(Form4->isVisible() || Form1->PrivateAlertOn());

    // Several offers at once: the rows scroll, the window grows where it must, and the
    // recipient and the input box keep their room.
    Form4->OpenWindow();
    Form4->resize(Form4->minimumSize());
    m_olga->offerFiles(Loopback, m_ivan->port(), {path});
    m_olga->offerFiles(Loopback, m_ivan->port(), {path});
    QTRY_COMPARE_WITH_TIMEOUT(Form4->Transfers->rowCount(), 3, WaitMs);
    QTRY_VERIFY(Form4->Transfers->findChild<QScrollArea *>()->verticalScrollBar()->maximum() > 0);
    QVERIFY(Form4->ComboBox1->height() >= Form4->ComboBox1->minimumSizeHint().height());
    QCOMPARE(Form4->RichEdit2->height(), 60);

    panelButton(u"Отклонить"_s)->click();
    QTRY_COMPARE_WITH_TIMEOUT(olgaEnds.count(), 1, WaitMs);
    QCOMPARE(olgaEnds.at(0).at(1).value<TransferEnd>().outcome, Outcome::Declined);
    const auto *status = Form4->Transfers->findChild<QLabel *>(u"TransferStatus"_s);
    QCOMPARE(status->text(), u"Вы отказались от файлов"_s);
    int accepts = 0;
    for (const QPushButton *button : Form4->Transfers->findChildren<QPushButton *>())
        accepts += button->text() == u"Принять..."_s ? 1 : 0;
    QCOMPARE(accepts, 2); // the other two offers still wait
    QVERIFY(records().isEmpty());
}

void TestPrivateWindowFiles::offerFloodAlertsOnce_data()
{
    QTest::addColumn<bool>("openWindow"); // the option to open the window for a private message
    QTest::newRow("The window opens for the first offer only") << true;
    QTest::newRow("The private button blinks for the first offer only") << false;
}

// A host offers files 1,000 times and withdraws every offer at once. The window holds on its
// own, however many of them the file service lets through: the offers come here as the service
// reports them.
void TestPrivateWindowFiles::offerFloodAlertsOnce()
{
    QFETCH(bool, openWindow);
    Form2->CheckBox6->setChecked(openWindow);
    Form2->CheckBox7->setChecked(true);
    QSignalSpy sounds(&m_windows->Services().Session(), &ChatSession::soundRequested);
    QSignalSpy alerts(Form4, &TForm4::offerAlert);
    const auto offer = [this](int n) {
        const QString token = u"%1"_s.arg(n, 32, 16, QChar(u'0'));
        Q_EMIT m_ivan->offerReceived(
            {token, QHostAddress(u"10.0.0.9"_s), u"Mallory"_s, {{u"f.txt"_s, 3}}});
        return token;
    };
    const auto withdraw = [this](const QString &token) {
        TransferEnd end;
        end.outcome = Outcome::CancelledByPeer;
        end.direction = Direction::Incoming;
        Q_EMIT m_ivan->finished(token, end);
    };
    withdraw(offer(0));
    QCOMPARE(Form4->isVisible(), openWindow);
    QCOMPARE(Form1->PrivateAlertOn(), !openWindow);
    // The user puts the window away, or looks at it and the button stops blinking.
    Form4->hide();
    Form1->PrivateAlert(false);

    for (int n = 1; n < 1000; ++n)
        withdraw(offer(n));
    QCOMPARE(sounds.count(), 1);
    QCOMPARE(alerts.count(), 1);
    QVERIFY(!Form4->isVisible());
    QVERIFY(!Form1->PrivateAlertOn());
    QCOMPARE(Form4->Transfers->rowCount(), 1);
    QTRY_COMPARE(
        Form4->Transfers->findChild<QLabel *>(u"TransferTitle"_s)->text(),
        u"Предложения файлов от Mallory (10.0.0.9) отозваны, не дождавшись ответа: 1000"_s);

    // Silent for the quiet period, the sender is heard again.
    Form4->setOfferQuietMs(50);
    QTest::qWait(60);
    offer(1000);
    QCOMPARE(sounds.count(), 2);
    QCOMPARE(Form4->isVisible() || Form1->PrivateAlertOn(), true);

    // What ended goes with one click; the offer that waits stays.
    panelButton(u"Убрать завершённые"_s)->click();
    QCOMPARE(Form4->Transfers->rowCount(), 1);
    QTRY_VERIFY(panelButton(u"Принять..."_s));
}

void TestPrivateWindowFiles::receivedFileIsRecorded()
{
    QSignalSpy olgaEnds(m_olga.get(), &FileTransferService::finished);
    const QString path = WriteBytes(m_dir->filePath(u"report.pdf"_s), 1258291);
    olgaAnnounces();
    m_olga->offerFiles(Loopback, m_ivan->port(), {path});
    QTRY_VERIFY_WITH_TIMEOUT(panelButton(u"Принять..."_s), WaitMs);

    // Accepting asks where to save, starting in the download folder, made if need be.
    QTemporaryDir inbox;
    Dialogs::clearHistory();
    Dialogs::setNextInput(inbox.path());
    panelButton(u"Принять..."_s)->click();
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history()[0].kind, Dialogs::Kind::Folder);
    const QString downloads = m_home.filePath(u"Downloads"_s);
    QCOMPARE(Dialogs::history()[0].text, downloads);
    QVERIFY(QFileInfo(downloads).isDir());
    QVERIFY(panelButton(u"Отменить"_s));

    QTRY_COMPARE_WITH_TIMEOUT(olgaEnds.count(), 1, WaitMs);
    const auto *status = Form4->Transfers->findChild<QLabel *>(u"TransferStatus"_s);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), u"Файлы получены"_s, WaitMs);
    QCOMPARE(QFileInfo(inbox.filePath(u"report.pdf"_s)).size(), 1258291);
    const QString line = u"Файл report.pdf (1,2 МБ) получен"_s;
    QCOMPARE(records(), QStringList{u"Olga>Ivan: "_s + line + u" [1]"_s});
    QCOMPARE(Form4->RichEdit1->LineText(Form4->RichEdit1->LineCount() - 1), line);
}

void TestPrivateWindowFiles::sentFilesAreRecorded_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("english");
    QTest::newRow("the button") << u"button"_s << false;
    QTest::newRow("the conversation's context menu") << u"menu"_s << false;
    QTest::newRow("files dropped on the window") << u"drop"_s << false;
    // The window speaks English; the history keeps the line every copy stores.
    QTest::newRow("the button of English windows") << u"button"_s << true;
}

void TestPrivateWindowFiles::sentFilesAreRecorded()
{
    QFETCH(QString, how);
    QFETCH(bool, english);
    const auto translator = testsupport::speakEnglish(english, QStringLiteral(PALAVRIX_STAGE_DIR));
    QTemporaryDir inbox;
    connect(m_olga.get(), &FileTransferService::offerReceived, this,
            [&](const IncomingOffer &offer) { m_olga->accept(offer.token, inbox.path()); });
    chooseOlga();
    const QStringList paths{WriteBytes(m_dir->filePath(u"a.txt"_s), 10),
                            WriteBytes(m_dir->filePath(u"b.bin"_s), 2048)};
    if (how == u"drop"_s) {
        QVERIFY(DropFiles(Form4, paths));
    } else {
        Dialogs::setNextInput(paths.join(u'\n'));
        if (how == u"button"_s)
            Form4->FileButton->click();
        else
            Form4->SendFileAction->trigger();
    }
    QCOMPARE(Form4->Transfers->rowCount(), 1);
    const auto *title = Form4->Transfers->findChild<QLabel *>(u"TransferTitle"_s);
    QCOMPARE(title->text(), english ? u"Files for Olga: a.txt, b.bin (2.0 KB)"_s
                                    : u"Файлы для Olga: a.txt, b.bin (2,0 КБ)"_s);
    const auto *status = Form4->Transfers->findChild<QLabel *>(u"TransferStatus"_s);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), english ? u"Files sent"_s : u"Файлы отправлены"_s,
                              WaitMs);
    QCOMPARE(Form4->RichEdit1->LineText(Form4->RichEdit1->LineCount() - 1),
             english ? u"File b.bin (2.0 KB) sent"_s : u"Файл b.bin (2,0 КБ) отправлен"_s);
    QCOMPARE(records(), (QStringList{u"Ivan>Olga: Файл a.txt (10 байт) отправлен [0]"_s,
                                     u"Ivan>Olga: Файл b.bin (2,0 КБ) отправлен [0]"_s}));
    QCOMPARE(testsupport::readFile(inbox.filePath(u"b.bin"_s)), QByteArray(2048, 'x'));
    // Found by the history's search like any message.
    HistoryTable &table = HForm->Store->table();
    table.first();
    QVERIFY(SearchCutText(table, u"B.BIN"_s, SearchDirection::Down));
    QCOMPARE(table.textAt(table.recNo(), HistoryField::mFullText),
             u"Файл b.bin (2,0 КБ) отправлен"_s);
}

void TestPrivateWindowFiles::unreadableFileIsWorded_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("text");
    QTest::newRow("Russian windows") << false << u"Не удалось открыть файл %1."_s;
    QTest::newRow("English windows") << true << u"Could not open the file %1."_s;
}

// The file service names the fault and the file; the window words it in the error box.
void TestPrivateWindowFiles::unreadableFileIsWorded()
{
    QFETCH(bool, english);
    QFETCH(QString, text);
    const auto translator = testsupport::speakEnglish(english, QStringLiteral(PALAVRIX_STAGE_DIR));
    chooseOlga();
    const QString missing = m_dir->filePath(u"missing.pdf"_s);
    Dialogs::clearHistory();
    Form4->SendFiles({missing});
    QCOMPARE(Dialogs::history().size(), 1);
    QCOMPARE(Dialogs::history()[0].kind, Dialogs::Kind::Error);
    QCOMPARE(Dialogs::history()[0].text, text.arg(missing));
    QCOMPARE(Form4->Transfers->rowCount(), 0);
}

PALAVRIX_TEST_MAIN(TestPrivateWindowFiles)
#include "tst_PrivateWindowFiles.moc"
