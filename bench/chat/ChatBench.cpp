// Measures a received public message through the main window's datagram handler into the
// conversation view: CPU time per message with 1,000 and with 100,000 lines already shown,
// resident memory per shown line, the delay of a posted event while a peer floods the
// handler at 5,000 messages a second, the cost of one repaint of the view, and one refresh of
// the user list with 255 users. The main window is shown throughout, on the offscreen platform
// (bench/subnet measures the whole program on a display). Reports figures; never fails on them.
//   chat_bench

#include "AppPaths.h"
#include "AppWindows.h"
#include "BenchFigures.h"
#include "ChatSession.h"
#include "Cp1251.h"
#include "Dialogs.h"
#include "LogView.h"
#include "MainWindow.h"
#include "SettingsWindow.h"
#include "UdpEndpoints.h"
#include "UserTable.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <malloc.h>

namespace
{

constexpr int BatchSize = 1000;
constexpr int Batches = 9;

double threadCpuMicroseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

QByteArray datagram(long number)
{
    return cp1251::encode(QStringLiteral("@#@12@#@Ivan -->Hello number %1").arg(number));
}

// Feeds received datagrams to the main window the way the listener hands them over.
class Feeder
{
public:
    explicit Feeder(TIdSocketHandle &binding) : m_binding(binding) {}

    void deliver(const QByteArray &bytes)
    {
        try {
            Form1->IdUDPServer1UDPRead(nullptr, bytes, &m_binding);
        } catch (const std::exception &) {
            ++failures;
        } catch (...) {
            ++failures;
        }
    }

    void deliverMany(long count)
    {
        for (long i = 0; i < count; ++i) {
            deliver(datagram(m_next++));
            if (i % BatchSize == BatchSize - 1)
                QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
    }

    // CPU microseconds per message over one batch, the datagrams built beforehand; with
    // withEvents the queued events are processed after each message as the event loop would.
    double timedBatch(bool withEvents)
    {
        std::vector<QByteArray> bytes;
        bytes.reserve(BatchSize);
        for (int i = 0; i < BatchSize; ++i)
            bytes.push_back(datagram(m_next++));
        QCoreApplication::processEvents();
        const double start = threadCpuMicroseconds();
        for (const QByteArray &b : bytes) {
            deliver(b);
            if (withEvents)
                QCoreApplication::processEvents();
        }
        const double spent = threadCpuMicroseconds() - start;
        QCoreApplication::processEvents();
        return spent / BatchSize;
    }

    long next() const { return m_next; }
    long failures = 0;

private:
    TIdSocketHandle &m_binding;
    long m_next = 1;
};

struct Timing {
    double handler;    // median µs per message, the handler alone
    double withEvents; // median µs per message, the handler and the event processing after it
    int linesBefore;
    int linesAfter;
};

// At the current view size (kept by refill before each batch when given).
Timing measureAt(Feeder &feeder, const std::function<void()> &refill)
{
    Timing t{};
    std::vector<double> handler, events;
    for (int round = 0; round < Batches; ++round) {
        if (refill)
            refill();
        if (round == 0)
            t.linesBefore = Form1->RichEdit1->LineCount();
        handler.push_back(feeder.timedBatch(false));
        if (refill)
            refill();
        events.push_back(feeder.timedBatch(true));
    }
    t.linesAfter = Form1->RichEdit1->LineCount();
    t.handler = bench::summarize(handler).median;
    t.withEvents = bench::summarize(events).median;
    return t;
}

void fillTo(Feeder &feeder, int lines)
{
    Form1->RichEdit1->Clear();
    QCoreApplication::processEvents();
    feeder.deliverMany(lines);
}

struct FloodResult {
    double rate;        // messages handled per second
    double medianDelay; // ms from posting an event on another thread to its run
    double p99Delay;
    double maxDelay;
    int probes;
    double busy; // share of the UI thread's time spent working
};

// A sender thread hands datagrams over with blocking queued calls at the given rate while a
// probe thread posts an empty event every 10 ms and notes when the UI thread runs it.
FloodResult flood(Feeder &feeder, int perSecond, int seconds)
{
    using clock = std::chrono::steady_clock;
    std::atomic<bool> running{true};
    std::atomic<long> handled{0};
    const long first = feeder.next() + 1000000;

    std::thread sender([&] {
        const auto period = std::chrono::nanoseconds(1000000000LL / perSecond);
        auto due = clock::now();
        long n = first;
        while (running.load()) {
            const QByteArray bytes = datagram(n++);
            QMetaObject::invokeMethod(
                qApp, [&feeder, bytes] { feeder.deliver(bytes); }, Qt::BlockingQueuedConnection);
            handled.fetch_add(1);
            due += period;
            const auto now = clock::now();
            if (due > now)
                std::this_thread::sleep_until(due);
            else if (now - due > std::chrono::milliseconds(50))
                due = now; // behind: no burst to catch up
        }
    });

    std::mutex lock;
    std::vector<double> delays;
    std::thread probe([&] {
        while (running.load()) {
            const auto posted = clock::now();
            QMetaObject::invokeMethod(
                qApp,
                [&lock, &delays, posted] {
                    const double ms =
                        std::chrono::duration<double, std::milli>(clock::now() - posted).count();
                    const std::lock_guard<std::mutex> guard(lock);
                    delays.push_back(ms);
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });

    const auto start = clock::now();
    const double cpuStart = threadCpuMicroseconds();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    running.store(false);
    const double elapsed = std::chrono::duration<double>(clock::now() - start).count();
    const double busy = (threadCpuMicroseconds() - cpuStart) / 1e6 / elapsed;
    // Serve the calls still on their way so both threads can finish.
    std::atomic<bool> joined{false};
    std::thread joiner([&] {
        sender.join();
        probe.join();
        joined.store(true);
    });
    while (!joined.load())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    joiner.join();
    QCoreApplication::processEvents();

    FloodResult r{};
    r.rate = double(handled.load()) / elapsed;
    r.busy = busy;
    r.probes = int(delays.size());
    const bench::Summary summary = bench::summarize(delays);
    r.medianDelay = summary.median;
    r.p99Delay = summary.p99;
    r.maxDelay = summary.max;
    return r;
}

struct RefreshTiming {
    double median; // ms of thread CPU in TForm1::RefreshUserList
    double max;
    double paint; // ms of thread CPU in the event processing after it (layout and repaint)
    int listed;   // lines in the user list after the last refresh
};

// The user list with the table full (255 users, as announcements from a full subnet leave
// it): RefreshUserList sorts the table, fills the list view and the recipient box. The table is
// filled again before each round through the system port's handler, outside the timing.
RefreshTiming refreshWithFullTable(TIdSocketHandle &binding, int rounds)
{
    std::vector<double> refresh, paint;
    int listed = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int i = UserTable::Capacity - 1; i >= 0; --i) {
            const QString text =
                QStringLiteral("@#@%1@#@Peer%2").arg(i % 20).arg(i + 1, 3, 10, QLatin1Char('0'));
            Form1->IdUDPServer2UDPRead(Form1->IdUDPServer2, cp1251::encode(text), &binding);
        }
        QCoreApplication::processEvents();
        double start = threadCpuMicroseconds();
        Form1->RefreshUserList();
        refresh.push_back((threadCpuMicroseconds() - start) / 1000);
        start = threadCpuMicroseconds();
        QCoreApplication::processEvents();
        paint.push_back((threadCpuMicroseconds() - start) / 1000);
        listed = Form1->RichEdit2->LineCount();
    }
    const bench::Summary r = bench::summarize(refresh);
    return {r.median, r.max, bench::summarize(paint).median, listed};
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    apppaths::SetProgramFolder(dir.path());
    QFile::copy(QStringLiteral(PALAVRIX_STAGE_DIR "/tmp.dat"),
                dir.filePath(QStringLiteral("tmp.dat")));
    Dialogs::setAutoAnswer(true);

    {
        AppWindows windows;
        Form2->CheckBox3->setChecked(false);
        Form2->CheckBox4->setChecked(false);
        Form2->CheckBox1->setChecked(true);

        // The empty reply goes from a real socket to a local port that only drops it.
        TIdSocketHandle sink;
        sink.IP = QStringLiteral("127.0.0.1");
        sink.AllocateSocket();
        sink.Bind();
        TIdSocketHandle binding;
        binding.AllocateSocket();
        binding.SenderIP = QStringLiteral("127.0.0.1");
        binding.SenderPort = sink.Port;

        Feeder feeder(binding);
        LogView *view = Form1->RichEdit1;

        // The window is on screen, as while chatting: the view lays out and paints what it
        // shows. The start-up sequence is skipped, as after a log-in.
        windows.Services().Session().setOwnNick(QStringLiteral("Bench"));
        Form1->FirstShow = false;
        Form1->resize(575, 487);
        Form1->show();
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();

        // Warm-up, then memory of 100,000 lines added to an empty view.
        fillTo(feeder, 2000);
        view->Clear();
        QCoreApplication::processEvents();
        // Hand the warm-up's freed memory back first, so the new lines cannot reuse it and
        // every byte they take shows in the resident figure.
        malloc_trim(0);
        const long rssBefore = bench::residentBytes();
        feeder.deliverMany(100000);
        const long rssAfter = bench::residentBytes();
        const int shown = view->LineCount();

        const Timing big = measureAt(feeder, nullptr);
        double paintStart = threadCpuMicroseconds();
        for (int i = 0; i < 200; ++i)
            view->viewport()->repaint();
        const double viewPaint = (threadCpuMicroseconds() - paintStart) / 200;
        paintStart = threadCpuMicroseconds();
        for (int i = 0; i < 50; ++i)
            Form1->repaint();
        const double windowPaint = (threadCpuMicroseconds() - paintStart) / 50;
        const FloodResult fl = flood(feeder, 5000, 3);
        const Timing small = measureAt(feeder, [&] { fillTo(feeder, 1000); });
        const RefreshTiming refresh = refreshWithFullTable(binding, 40);

        std::printf("chat_bench: public message -> TForm1::IdUDPServer1UDPRead -> RichEdit1 "
                    "(window shown, %dx%d view)\n",
                    view->viewport()->width(), view->viewport()->height());
        std::printf("batches of %d messages, %d batches each, median of batch means, thread CPU\n",
                    BatchSize, Batches);
        std::printf("%-44s %9.2f us/msg  (handler + events %.2f us/msg; lines %d..%d)\n",
                    "at 1,000 lines", small.handler, small.withEvents, small.linesBefore,
                    small.linesAfter);
        std::printf("%-44s %9.2f us/msg  (handler + events %.2f us/msg; lines %d..%d)\n",
                    "at 100,000 lines", big.handler, big.withEvents, big.linesBefore,
                    big.linesAfter);
        std::printf("%-44s %9.2f        (handler + events %.2f)\n", "ratio 100,000 / 1,000",
                    big.handler / small.handler, big.withEvents / small.withEvents);
        std::printf("%-44s %9.1f bytes  (RSS %ld -> %ld bytes, %d lines shown)\n",
                    "resident memory per shown line", double(rssAfter - rssBefore) / 100000.0,
                    rssBefore, rssAfter, shown);
        std::printf("%-44s %9.1f msg/s handled over 3 s (%d probes, UI thread %.0f%% busy)\n",
                    "handler pace, flood at 5,000 msg/s", fl.rate, fl.probes, fl.busy * 100);
        std::printf("%-44s %9.2f ms median, %.2f ms p99, %.2f ms max\n",
                    "posted event delay under flood", fl.medianDelay, fl.p99Delay, fl.maxDelay);
        std::printf("%-44s %9.1f us (whole window %.1f us)\n", "repaint of the conversation view",
                    viewPaint, windowPaint);
        std::printf("%-44s %9.3f ms median, %.3f ms max of 40 (then %.3f ms of repaint; "
                    "%d lines listed)\n",
                    "user list refresh, 255 users (offscreen)", refresh.median, refresh.max,
                    refresh.paint, refresh.listed);
        std::printf("(the flood calls the handler directly, without sockets: a handler pace; the "
                    "real path across sockets and the listener is measured by bench/net)\n");
        std::printf("handler errors: %ld\n", feeder.failures);
        std::fflush(stdout);

        sink.CloseSocket();
        binding.CloseSocket();
    }
    QDir::setCurrent(oldCwd);
    return 0;
}
