// Measures the user-list refresh with a full table of 255 announced nicks of about 8 KB each:
// how long the refresh (Timer1Timer) keeps the UI thread, how long an input event posted
// meanwhile waits, the repaint of the list, and the opening of the recipient box. A shortcut
// figure: the announcements are handed to TForm1::IdUDPServer2UDPRead directly and the window
// runs on the offscreen platform. Reports figures; never fails on them.
//   userlist_bench

#include "AppPaths.h"
#include "AppWindows.h"
#include "BenchFigures.h"
#include "ChatSession.h"
#include "Dialogs.h"
#include "LogView.h"
#include "MainWindow.h"
#include "PrivateWindow.h"
#include "UdpEndpoints.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace
{

constexpr int Users = 255;
constexpr int Rounds = 5;

QByteArray announcement(int user)
{
    const QString nick = QStringLiteral("peer%1-").arg(user, 3, 10, QLatin1Char('0')) +
                         QString(8000, QChar(u'a' + user % 26));
    return QStringLiteral("@#@%1@#@").arg(user % 20).toLatin1() + nick.toLatin1();
}

// Notes how long a key press posted to the input box waits for the UI thread.
class InputProbe final : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && posted.isValid()) {
            waits.push_back(double(posted.nsecsElapsed()) / 1e6);
            posted.invalidate();
        }
        return QObject::eventFilter(watched, event);
    }
    QElapsedTimer posted;
    std::vector<double> waits;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    apppaths::SetProgramFolder(dir.path());
    QFile::copy(QStringLiteral(PALAVRIX_STAGE_DIR "/tmp.dat"),
                dir.filePath(QStringLiteral("tmp.dat")));
    Dialogs::setAutoAnswer(true);
    {
        AppWindows windows;
        windows.Services().Session().setOwnNick(QStringLiteral("Bench"));
        Form1->FirstShow = false;
        Form1->resize(575, 487);
        Form1->show();
        Form4->show();
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();

        TIdSocketHandle binding;
        binding.AllocateSocket();
        binding.SenderIP = QStringLiteral("127.0.0.1");
        binding.SenderPort = 9; // the empty replies go nowhere
        std::vector<QByteArray> datagrams;
        for (int user = 0; user < Users; ++user)
            datagrams.push_back(announcement(user));

        InputProbe probe;
        Form1->RichEdit4->installEventFilter(&probe);
        std::vector<double> refreshes, repaints, popups;
        for (int round = 0; round < Rounds; ++round) {
            for (const QByteArray &bytes : datagrams)
                Form1->IdUDPServer2UDPRead(Form1->IdUDPServer2, bytes, &binding);
            // A key press arrives just as the refresh tick starts: it waits its turn.
            QTimer::singleShot(0, Form1, [&probe] {
                probe.posted.start();
                QCoreApplication::postEvent(Form1->RichEdit4,
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_A, {}, "a"));
                Form1->Timer1Timer();
            });
            QElapsedTimer whole;
            whole.start();
            QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            refreshes.push_back(double(whole.nsecsElapsed()) / 1e6);
            QElapsedTimer paint;
            paint.start();
            Form1->RichEdit2->viewport()->repaint();
            repaints.push_back(double(paint.nsecsElapsed()) / 1e6);
            QElapsedTimer popup;
            popup.start();
            Form4->ComboBox1->showPopup();
            QCoreApplication::processEvents();
            popups.push_back(double(popup.nsecsElapsed()) / 1e6);
            Form4->ComboBox1->hidePopup();
        }
        const auto report = [](const char *what, const std::vector<double> &samples) {
            const bench::Summary s = bench::summarize(samples);
            std::printf("%-46s %9.1f ms median, %9.1f ms max\n", what, s.median, s.max);
        };
        std::printf("userlist_bench: %d nicks of about 8 KB, %d refreshes, TForm1::"
                    "IdUDPServer2UDPRead and Timer1Timer called directly (offscreen)\n",
                    Users, Rounds);
        report("refresh and the events after it", refreshes);
        report("wait of a key press posted with the tick", probe.waits);
        report("repaint of the user list", repaints);
        report("opening the recipient box", popups);
        std::printf("listed: %d\n", Form1->RichEdit2->LineCount());
    }
    return 0;
}
