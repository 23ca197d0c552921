#include "TestSupport.h"
#include "TransferPanel.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace transfer;

// The private window's transfer rows through the stages of an offer.
class TestTransferPanel final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The panel speaks Russian here, and its numbers follow.
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void incomingOfferThroughItsStages();
    void outgoingTransferCanBeCancelled();
    void endedRowsAreBoundedAndCleared();
    void withdrawnOffersShareOneRowPerSender_data();
    void withdrawnOffersShareOneRowPerSender();
    void waitingOffersAreBounded();
};

namespace
{

const QString Token = u"0123456789abcdef0123456789abcdef"_s;

// Rows of a burst are drawn together a moment later; removed ones go with the next turn of
// the event loop.
void FlushRows()
{
    QTest::qWait(TransferPanel::DrawIntervalMs + 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QStringList Buttons(const QWidget &panel)
{
    FlushRows();
    QStringList texts;
    for (const QPushButton *button : panel.findChildren<QPushButton *>()) {
        if (button->isVisibleTo(&panel))
            texts.append(button->text());
    }
    return texts;
}

QPushButton *Button(const QWidget &panel, const QString &text)
{
    for (QPushButton *button : panel.findChildren<QPushButton *>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QString Status(const QWidget &panel)
{
    return panel.findChild<QLabel *>(u"TransferStatus"_s)->text();
}

QStringList Titles(const QWidget &panel)
{
    FlushRows();
    QStringList texts;
    for (const QLabel *label : panel.findChildren<QLabel *>(u"TransferTitle"_s))
        texts.append(label->text());
    return texts;
}

QString TokenOf(int n)
{
    return u"%1"_s.arg(n, 32, 16, QChar(u'0'));
}

IncomingOffer Offer(int n, const QString &address = u"10.0.0.9"_s)
{
    return {TokenOf(n), QHostAddress(address), u"Mallory"_s, {{u"f%1.txt"_s.arg(n), 3}}};
}

} // namespace

void TestTransferPanel::incomingOfferThroughItsStages()
{
    TransferPanel panel;
    QSignalSpy accepted(&panel, &TransferPanel::acceptClicked);
    QVERIFY(panel.isHidden());
    QVERIFY(panel.addIncoming({Token,
                               QHostAddress(u"::ffff:10.0.0.9"_s),
                               u"<b>Ivan</b>"_s,
                               {{u"report.pdf"_s, 1258291}, {u"a.txt"_s, 0}}}));
    QVERIFY(!panel.isHidden());
    auto *title = panel.findChild<QLabel *>(u"TransferTitle"_s);
    // The address beside the nick: any host can write any nick into an offer.
    QCOMPARE(title->text(),
             u"<b>Ivan</b> (10.0.0.9) предлагает файлы: report.pdf, a.txt (1,2 МБ)"_s);
    QCOMPARE(title->textFormat(), Qt::PlainText);
    QCOMPARE(Buttons(panel), (QStringList{u"Принять..."_s, u"Отклонить"_s}));

    Button(panel, u"Принять..."_s)->click();
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(accepted.at(0).at(0).toString(), Token);
    panel.markAccepted(Token);
    QCOMPARE(Buttons(panel), QStringList{u"Отменить"_s});

    panel.showProgress(Token, MakeProgress(629145, 1258291, 1000));
    QCOMPARE(panel.findChild<QProgressBar *>()->value(), 499);
    QCOMPARE(Status(panel), u"614,4 КБ из 1,2 МБ, 614,4 КБ/с, осталось 0:02"_s);
    panel.showStalled(Token, true);
    QCOMPARE(Status(panel), u"Передача остановилась: нет данных, ждём связи"_s);
    QCOMPARE(panel.findChild<QProgressBar *>()->value(), 499);
    panel.showStalled(Token, false);
    QCOMPARE(Status(panel), u"Передача возобновилась"_s);

    const QString lost = u"Соединение прервано: недополученный файл report.pdf удалён"_s;
    panel.showEnd(Token, Outcome::Failed, lost);
    QCOMPARE(Status(panel), lost);
    panel.showStalled(Token, true); // late news does not hide how it ended
    QCOMPARE(Status(panel), lost);
    QCOMPARE(Buttons(panel), (QStringList{u"Убрать"_s, u"Убрать завершённые"_s}));
    Button(panel, u"Убрать"_s)->click();
    QCOMPARE(panel.rowCount(), 0);
    QVERIFY(panel.isHidden());
}

void TestTransferPanel::outgoingTransferCanBeCancelled()
{
    TransferPanel panel;
    QSignalSpy cancelled(&panel, &TransferPanel::cancelClicked);
    panel.addOutgoing(Token, u"Olga"_s, {u"report.pdf"_s}, 1258291);
    QCOMPARE(Status(panel), u"Ждём ответа получателя"_s);
    Button(panel, u"Отменить"_s)->click();
    QCOMPARE(cancelled.count(), 1);
    panel.showEnd(Token, Outcome::Done, u"Файлы отправлены"_s);
    QCOMPARE(panel.findChild<QProgressBar *>()->value(), 1000);
}

// However many transfers end, the panel keeps the newest few, and one button clears them while
// the offers still waiting stay.
void TestTransferPanel::endedRowsAreBoundedAndCleared()
{
    TransferPanel panel;
    QVERIFY(panel.addIncoming(Offer(0)));
    const int ended = 3 * TransferPanel::MaxEndedRows;
    for (int n = 1; n <= ended; ++n) {
        QVERIFY(panel.addIncoming(Offer(n)));
        panel.showEnd(TokenOf(n), Outcome::Declined, u"Вы отказались от файлов"_s);
    }
    QCOMPARE(panel.endedCount(), TransferPanel::MaxEndedRows);
    QCOMPARE(panel.rowCount(), TransferPanel::MaxEndedRows + 1);
    const QStringList titles = Titles(panel);
    QVERIFY(titles.first().contains(u"f0.txt"_s));
    QVERIFY(titles.last().contains(u"f%1.txt"_s.arg(ended)));
    QVERIFY(!titles.join(u'\n').contains(u"f1.txt"_s)); // the oldest went first

    QPushButton *clear = Button(panel, u"Убрать завершённые"_s);
    QVERIFY(clear && clear->isVisibleTo(&panel));
    clear->click();
    QCOMPARE(panel.rowCount(), 1);
    QCOMPARE(Buttons(panel), (QStringList{u"Принять..."_s, u"Отклонить"_s}));
    QVERIFY(!panel.isHidden());
}

void TestTransferPanel::withdrawnOffersShareOneRowPerSender_data()
{
    QTest::addColumn<int>("withdrawn");
    QTest::addColumn<QString>("title");
    QTest::newRow("One offer withdrawn keeps its own words")
        << 1 << u"Mallory (10.0.0.9) предлагает файлы: f1.txt (3 байт)"_s;
    QTest::newRow("1,000 offers withdrawn leave one row that counts them")
        << 1000
        << u"Предложения файлов от Mallory (10.0.0.9) отозваны, не дождавшись ответа: 1000"_s;
}

// Offers withdrawn before the user answered them; an accepted one and another sender's stay
// rows of their own.
void TestTransferPanel::withdrawnOffersShareOneRowPerSender()
{
    QFETCH(int, withdrawn);
    QFETCH(QString, title);
    TransferPanel panel;
    QVERIFY(panel.addIncoming(Offer(0)));
    panel.markAccepted(TokenOf(0));
    for (int n = 1; n <= withdrawn; ++n) {
        QVERIFY(panel.addIncoming(Offer(n)));
        panel.showEnd(TokenOf(n), Outcome::CancelledByPeer, u"Передача отменена собеседником"_s);
    }
    QVERIFY(panel.addIncoming(Offer(99999, u"10.0.0.7"_s)));
    panel.showEnd(TokenOf(99999), Outcome::CancelledByPeer, u"Передача отменена собеседником"_s);
    panel.showEnd(TokenOf(0), Outcome::CancelledByPeer, u"Передача отменена собеседником"_s);
    QCOMPARE(panel.rowCount(), 3);
    QCOMPARE(Titles(panel).at(1), title);
    QCOMPARE(Titles(panel).at(2), u"Mallory (10.0.0.7) предлагает файлы: f99999.txt (3 байт)"_s);

    // Removed, the merged row starts again with the next withdrawn offer.
    panel.clearEnded();
    QVERIFY(panel.addIncoming(Offer(5000)));
    panel.showEnd(TokenOf(5000), Outcome::CancelledByPeer, u"Передача отменена собеседником"_s);
    QCOMPARE(Titles(panel),
             QStringList{u"Mallory (10.0.0.9) предлагает файлы: f5000.txt (3 байт)"_s});
}

// Offers nobody answered yet are few at most: the one past the bound gets no row.
void TestTransferPanel::waitingOffersAreBounded()
{
    TransferPanel panel;
    for (int n = 0; n < TransferPanel::MaxWaitingOffers; ++n)
        QVERIFY(panel.addIncoming(Offer(n)));
    QVERIFY(!panel.addIncoming(Offer(TransferPanel::MaxWaitingOffers)));
    QCOMPARE(panel.rowCount(), TransferPanel::MaxWaitingOffers);
    // An answered one makes room.
    panel.markAccepted(TokenOf(0));
    QVERIFY(panel.addIncoming(Offer(TransferPanel::MaxWaitingOffers)));
}

PALAVRIX_TEST_MAIN(TestTransferPanel)
#include "tst_TransferPanel.moc"
