#include "AboutWindow.h"
#include "AppPaths.h"
#include "AppWindows.h"
#include "ChatSession.h"
#include "Cp1251.h"
#include "Datagram.h"
#include "Dialogs.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "MainWindow.h"
#include "NickRefusal.h"
#include "PrivateWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SessionTexts.h"
#include "SettingsWindow.h"
#include "TestSupport.h"
#include "TransferFigures.h"
#include "TransferOutcome.h"
#include "TransferPanel.h"
#include "TransferTexts.h"
#include "UiLanguage.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <memory>

namespace
{

bool HasCyrillic(const QString &text)
{
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return text.contains(cyrillic);
}

// "<object name>: <text>" of every text a window shows that is still Russian.
QStringList RussianTexts(QWidget *window)
{
    QStringList found;
    auto check = [&](const QObject *owner, const QString &text) {
        if (HasCyrillic(text))
            found << owner->objectName() + QStringLiteral(": ") + text;
    };
    check(window, window->windowTitle());
    for (QWidget *w : window->findChildren<QWidget *>()) {
        check(w, w->toolTip());
        if (auto *label = qobject_cast<QLabel *>(w))
            check(w, label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            check(w, button->text());
        if (auto *group = qobject_cast<QGroupBox *>(w))
            check(w, group->title());
        if (auto *combo = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                check(w, combo->itemText(i));
        if (auto *tabs = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < tabs->count(); ++i)
                check(w, tabs->tabText(i));
        if (auto *menu = qobject_cast<QMenu *>(w))
            check(w, menu->title());
        if (auto *view = qobject_cast<QAbstractItemView *>(w); view && view->model())
            for (int i = 0; i < view->model()->columnCount(); ++i)
                check(w, view->model()->headerData(i, Qt::Horizontal).toString());
    }
    for (QAction *action : window->findChildren<QAction *>())
        check(action, action->text() + action->toolTip());
    return found;
}

// Labels and buttons on one line whose text needs more room than the control has.
QStringList ClippedTexts(QWidget *window)
{
    QStringList found;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(w);
        auto *button = qobject_cast<QAbstractButton *>(w);
        if ((!label && !button) || !w->isVisibleTo(window) || (label && label->wordWrap()))
            continue;
        const QString text = label ? label->text() : button->text();
        // A push button's size hint holds a minimum width of the style; its text needs less.
        const int needed = qobject_cast<QPushButton *>(w)
                               ? w->fontMetrics().horizontalAdvance(text) + 4
                               : w->sizeHint().width();
        // A line of text cut at the bottom is as unreadable as one cut at its end.
        const int tall = w->fontMetrics().height();
        if (!text.isEmpty() && (needed > w->width() || tall > w->height()))
            found << w->objectName() + QStringLiteral(": ") + text;
    }
    return found;
}

} // namespace

// Every window in English: no Russian text left, no text cut off at the default size.
class TestEnglishWindows final : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void windowIsEnglishAndUnclipped_data();
    void windowIsEnglishAndUnclipped();
    void transferRowsAreEnglish();
    void messagesAreEnglish();
    void protocolWordsStayRussian();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCwd;
    std::unique_ptr<AppWindows> m_windows;
};

void TestEnglishWindows::initTestCase()
{
    apppaths::SetProgramFolder(QStringLiteral(PALAVRIX_STAGE_DIR));
    QVERIFY(uilanguage::Install(*qApp, QStringLiteral("en")));
    m_dir = std::make_unique<QTemporaryDir>();
    m_oldCwd = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    QFile::copy(QStringLiteral(PALAVRIX_STAGE_DIR "/tmp.dat"),
                m_dir->filePath(QStringLiteral("tmp.dat")));
    apppaths::SetProgramFolder(m_dir->path());
    testsupport::writeChatCfg(m_dir->path(), QStringLiteral("Tester"));
    Dialogs::setAutoAnswer(true);
    m_windows = std::make_unique<AppWindows>();
    HForm->Store->setProgramDir(m_dir->path());
    HForm->OpenHistory(QStringLiteral("Tester")); // as the main window does at start-up
}

void TestEnglishWindows::cleanupTestCase()
{
    m_windows.reset();
    apppaths::SetProgramFolder(QString());
    QDir::setCurrent(m_oldCwd);
    m_dir.reset();
}

void TestEnglishWindows::windowIsEnglishAndUnclipped_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"Form1", "Form2", "Form3", "Form4", "HForm", "Form5", "Form6"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestEnglishWindows::windowIsEnglishAndUnclipped()
{
    QFETCH(QString, name);
    QWidget *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == name)
            window = w;
    QVERIFY2(window, qPrintable(name));
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    if (auto *tabs = window->findChild<QTabWidget *>()) {
        // Each page lays out when shown: look at every one.
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            const QStringList clipped = ClippedTexts(tabs->widget(i));
            QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u'\n')));
            if (const QString shots = qEnvironmentVariable("PALAVRIX_SHOT_DIR"); !shots.isEmpty())
                window->grab().save(shots + u'/' + name + u'-' + QString::number(i) +
                                    QStringLiteral(".png"));
        }
    }
    const QStringList russian = RussianTexts(window);
    QVERIFY2(russian.isEmpty(), qPrintable(russian.join(u'\n')));
    const QStringList clipped = ClippedTexts(window);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u'\n')));
    // To look at them: PALAVRIX_SHOT_DIR=<folder> keeps a picture of every window there.
    if (const QString shots = qEnvironmentVariable("PALAVRIX_SHOT_DIR"); !shots.isEmpty())
        window->grab().save(shots + u'/' + name + QStringLiteral(".png"));
    window->hide();
}

// The private window with an offer, a send under way and an ended transfer in its panel.
void TestEnglishWindows::transferRowsAreEnglish()
{
    using namespace transfer;
    const auto check = [](bool unclipped) {
        Form4->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form4));
        QCoreApplication::processEvents();
        const QStringList russian = RussianTexts(Form4);
        QVERIFY2(russian.isEmpty(), qPrintable(russian.join(u'\n')));
        const QStringList clipped = unclipped ? ClippedTexts(Form4) : QStringList();
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u'\n')));
        if (const QString shots = qEnvironmentVariable("PALAVRIX_SHOT_DIR"); !shots.isEmpty())
            Form4->grab().save(shots + QStringLiteral("/Form4-transfers.png"));
        Form4->hide();
    };
    Form4->Transfers->addIncoming({QStringLiteral("in"),
                                   QHostAddress(QStringLiteral("10.0.0.2")),
                                   QStringLiteral("Olga"),
                                   {{QStringLiteral("notes.txt"), 2048}}});
    check(true);
    // Rows pile up in the panel at the window's default height: look at their words only.
    Form4->Transfers->addOutgoing(QStringLiteral("out"), QStringLiteral("Olga"),
                                  {QStringLiteral("photo.jpg")}, 5 << 20);
    Form4->Transfers->markAccepted(QStringLiteral("out"));
    Form4->Transfers->showProgress(QStringLiteral("out"), MakeProgress(1 << 20, 5 << 20, 1000));
    Form4->Transfers->addOutgoing(QStringLiteral("done"), QStringLiteral("Olga"),
                                  {QStringLiteral("a.txt")}, 10);
    TransferEnd end;
    end.outcome = Outcome::Failed;
    end.failure = Failure::DiskFull;
    end.fileName = QStringLiteral("a.txt");
    Form4->Transfers->showEnd(QStringLiteral("done"), end.outcome, TransferEndText(end));
    check(false);
}

// What the windows say in their message boxes.
void TestEnglishWindows::messagesAreEnglish()
{
    Dialogs::clearHistory();
    Form1->RichEdit4->clear();
    Form1->suitempButton1Click();
    Form1->N7Click();
    Form4->ComboBox1->setEditText(QString());
    Form4->suitempButton1Click();
    HForm->suiButton2Click();
    QStringList texts;
    for (const Dialogs::Shown &shown : Dialogs::history())
        texts << shown.caption + QStringLiteral(": ") + shown.text;
    QCOMPARE(texts.size(), 4);
    for (const QString &nick :
         {QStringLiteral("a - b"), QStringLiteral("\u65e5\u672c"), QString(300, u'x')})
        texts << NickRefusalText(nick);
    texts << MessageTooLongText(EMessageTooLong(12));
    for (const HistoryFault fault : {HistoryFault::Missing, HistoryFault::ReadOnlyFileSystem,
                                     HistoryFault::NoPermission, HistoryFault::DiskFull})
        texts << HistoryNotSavedText(QStringLiteral("/home/ann/6511011.dat"), {fault, {}});
    for (const QString &text : texts)
        QVERIFY2(!HasCyrillic(text) && !text.isEmpty(), qPrintable(text));
}

// Copies in any language talk to each other: the notices go out and are recognised in the
// protocol's own words.
void TestEnglishWindows::protocolWordsStayRussian()
{
    const QString colour = QString::number(NoticeColorIndex);
    QCOMPARE(cp1251::encode(EntryNotice(QStringLiteral("Ann"))),
             cp1251::encode(QStringLiteral("@#@%1@#@ в чат входит - \"Ann\"...").arg(colour)));
    QCOMPARE(cp1251::encode(LeaveNotice(QStringLiteral("Ann"))),
             cp1251::encode(QStringLiteral("@#@%1@#@\"Ann\" покидает чат...").arg(colour)));
    QVERIFY(IsSystemNotice(QStringLiteral(" в чат входит - \"Ivan\"...")));
    QVERIFY(IsSystemNotice(QStringLiteral("\"Ivan\" покидает чат...")));
    QCOMPARE(PublicSenderNick(QStringLiteral("\"Ivan\" покидает чат...")), QStringLiteral("Ivan"));
}

PALAVRIX_TEST_MAIN(TestEnglishWindows)
#include "tst_EnglishWindows.moc"
