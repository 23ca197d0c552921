// Measures the conversation view at its line bound: the time of each append once the view
// holds its 1,000,000 lines and every new line drops the oldest, against appends before the
// bound, and the resident memory of a full view. A shortcut figure: LogView::AppendLine is
// called directly on a shown view (run it on the offscreen platform or under Xvfb); the
// receive path's cost per message is chat_bench's. Reports figures; never fails on them.
//   logview_bound_bench

#include "BenchFigures.h"
#include "LogView.h"

#include <QApplication>

#include <cstdio>
#include <ctime>
#include <vector>

namespace
{

constexpr int Sampled = 200000;

double threadCpuMicroseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

// Thread CPU microseconds of each of `count` appends of typical received lines: a busy
// machine's preemption does not count.
std::vector<double> timeAppends(LogView &view, int count, long &number)
{
    std::vector<double> samples;
    samples.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString line = QStringLiteral("[14:05:09] Ivan -->Hello number %1").arg(number++);
        const double start = threadCpuMicroseconds();
        view.AppendLine(line, Qt::blue);
        samples.push_back(threadCpuMicroseconds() - start);
        if (i % 1000 == 999)
            QCoreApplication::processEvents();
    }
    return samples;
}

void report(const char *what, const bench::Summary &s)
{
    std::printf("%-40s %8.2f us median, %8.2f us p99, %9.1f us max\n", what, s.median, s.p99,
                s.max);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    LogView view;
    view.resize(600, 400);
    view.show();
    QCoreApplication::processEvents();

    long number = 0;
    const long rssEmpty = bench::residentBytes();
    const bench::Summary below = bench::summarize(timeAppends(view, Sampled, number));
    timeAppends(view, LogView::DefaultMaximumLines - Sampled, number);
    const long rssFull = bench::residentBytes();
    const bench::Summary atBound = bench::summarize(timeAppends(view, Sampled, number));

    std::printf("logview_bound_bench: LogView::AppendLine called directly on a shown view "
                "(shortcut), thread CPU time, %d appends sampled\n",
                Sampled);
    report("append below the bound", below);
    report("append at the bound, dropping the oldest", atBound);
    std::printf("%-40s %8d lines kept of %ld appended\n", "lines kept", view.LineCount(), number);
    std::printf("%-40s %8.1f bytes (RSS %ld -> %ld bytes)\n", "resident memory per kept line",
                double(rssFull - rssEmpty) / LogView::DefaultMaximumLines, rssEmpty, rssFull);
    return 0;
}
