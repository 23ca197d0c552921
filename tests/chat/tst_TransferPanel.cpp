#include "TestSupport.h"
#include "TransferPanel.h"

#include <QApplication>
#include <QLabel>
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
    void incomingOfferThroughItsStages();
    void outgoingTransferCanBeCancelled();
};

namespace
{

const QString Token = u"0123456789abcdef0123456789abcdef"_s;

QStringList Buttons(const QWidget &panel)
{
    QStringList texts;
    for (const QPushButton *button : panel.findChildren<QPushButton *>())
        texts.append(button->text());
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

} // namespace

void TestTransferPanel::incomingOfferThroughItsStages()
{
    TransferPanel panel;
    QSignalSpy accepted(&panel, &TransferPanel::acceptClicked);
    QVERIFY(panel.isHidden());
    panel.addIncoming({Token, {}, u"<b>Ivan</b>"_s, {{u"report.pdf"_s, 1258291}, {u"a.txt"_s, 0}}});
    QVERIFY(!panel.isHidden());
    auto *title = panel.findChild<QLabel *>(u"TransferTitle"_s);
    QCOMPARE(title->text(), u"<b>Ivan</b> предлагает файлы: report.pdf, a.txt (1,2 МБ)"_s);
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
    QCOMPARE(Buttons(panel), QStringList{u"Убрать"_s});
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

PALAVRIX_TEST_MAIN(TestTransferPanel)
#include "tst_TransferPanel.moc"
