// Measures the message history on a large store: opening, tab switches, a search that finds
// nothing, scrolling, durable appends (at 1,000 and at the large store's size), deleting a
// selection and every record, exporting, and the memory of the open browser. Reports figures;
// never fails on them.
//   history_bench [folder [records]]      measure (the store is generated when missing)
//   history_bench --rss <folder> <nick>   child run: open the browser on a store, print VmRSS

#include "BenchFigures.h"
#include "ChatServices.h"
#include "Dialogs.h"
#include "HistoryDatabase.h"
#include "HistoryModel.h"
#include "HistoryStore.h"
#include "HistoryWindow.h"
#include "RecordViewer.h"
#include "SearchWindow.h"
#include "SettingsWindow.h"
#include "StoreGenerator.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

const QString BigNick = QStringLiteral("Bench");
const QString EmptyNick = QStringLiteral("Empty");
const QString SmallNick = QStringLiteral("Small");
constexpr int SmallRecords = 1000;

double ms(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

void report(const char *what, double value, double target)
{
    std::printf("%-48s %9.1f ms   (target %g ms)\n", what, value, target);
    std::fflush(stdout);
}

// The windows as the program creates them, on a store folder.
struct Windows {
    ChatServices services;
    TForm2 settings{services};
    THForm form{services.History(), services.Options()};
    TForm5 search{services.History()};
    TForm6 viewer{services.History()};

    Windows()
    {
        Form2 = &settings;
        HForm = &form;
        Form5 = &search;
        Form6 = &viewer;
    }
    ~Windows()
    {
        Form6 = nullptr;
        Form5 = nullptr;
        HForm = nullptr;
        Form2 = nullptr;
    }
};

void paint(QTableView *grid)
{
    grid->viewport()->repaint();
}

// Counts the paint events a widget receives.
class PaintCounter final : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

int rssChild(const QString &folder, const QString &nick)
{
    Windows w;
    w.form.Store->setProgramDir(folder);
    w.form.OpenHistory(nick);
    w.form.show();
    if (!QTest::qWaitForWindowExposed(&w.form))
        return 1;
    // Every tab visited and the whole view searched once: each filter's snapshot is held.
    for (const int tab : {1, 2, 0}) {
        w.form.suiPageControl1->setCurrentIndex(tab);
        paint(w.form.ActiveGrid());
    }
    w.search.Edit1->setText(u"такого текста нет нигде"_qs);
    w.search.Button1Click();
    paint(w.form.DBGrid1);
    QCoreApplication::processEvents();
    std::printf("%ld\n", bench::residentBytes() / 1024);
    return 0;
}

qint64 rssOf(const QString &folder, const QString &nick)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {u"--rss"_qs, folder, nick});
    if (!child.waitForFinished(120000))
        return -1;
    return child.readAllStandardOutput().trimmed().toLongLong();
}

// Runs `action` while a timer asks for the UI thread every millisecond: the longest wait
// for it is how long input would wait. Returns the action's time; `wait` gets the longest wait.
double timedWithProbe(const std::function<void()> &action, double &wait)
{
    QElapsedTimer since;
    since.start();
    double longest = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longest = std::max(longest, ms(since));
        since.start();
    });
    probe.start();
    QCoreApplication::processEvents();
    since.start();
    QElapsedTimer timer;
    timer.start();
    action();
    const double elapsed = ms(timer);
    QCoreApplication::processEvents();
    longest = std::max(longest, ms(since));
    probe.stop();
    wait = longest;
    return elapsed;
}

// The UI thread's own processor time, in ms: what an append costs beyond waiting for the disk.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Durable appends of private messages: the store is committed and the browser follows the
// new row. The same on a store of 1,000 records and on the large one, shown and hidden.
void appendSeries(THForm &form, const QString &nick, const char *what)
{
    std::vector<double> appends;
    std::vector<double> cpu;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = threadCpuMs();
        form.AppendHistoryRecord(nick, u"peer"_qs, u"bench message "_qs + QString::number(i),
                                 i % 2 == 0);
        // The new row drawn where the browser shows it counts too.
        QCoreApplication::processEvents();
        cpu.push_back(threadCpuMs() - cpuBefore);
        appends.push_back(ms(timer));
    }
    const bench::Summary append = bench::summarize(appends);
    const bench::Summary work = bench::summarize(cpu);
    const QString median = QString::fromLatin1(what) + u", median";
    const QString p99 = QString::fromLatin1(what) + u", 99th percentile";
    const QString beyond = QString::fromLatin1(what) + u", CPU beyond the sync, median";
    report(qPrintable(median), append.median, 10);
    report(qPrintable(p99), append.p99, 10);
    report(qPrintable(beyond), work.median, 1);
}

void measureAppends(THForm &form, int records)
{
    const QString folder = QDir::currentPath();
    GenerateHistoryStore(folder, SmallNick, SmallRecords);
    const QString large = u"store one record, "_qs + QString::number(records) + u" records";
    appendSeries(form, BigNick, qPrintable(large + u", browser shown"));
    form.hide();
    appendSeries(form, BigNick, qPrintable(large + u", browser hidden"));
    form.OpenHistory(SmallNick);
    appendSeries(form, SmallNick, "store one record, 1000 records, browser hidden");
    form.show();
    appendSeries(form, SmallNick, "store one record, 1000 records, browser shown");
    form.OpenHistory(BigNick);
}

void measureDeletes(THForm &form, int rows)
{
    for (const bool scattered : {false, true}) {
        form.suiPageControl1->setCurrentIndex(0);
        QTableView *grid = form.DBGrid1;
        grid->clearSelection();
        QItemSelection selection;
        const int first = form.Table().recordCount() / 3;
        for (int i = 0; i < rows; ++i) {
            const int row = scattered ? first + 7 * i : first + i;
            selection.select(form.DataSource1->index(row, 0), form.DataSource1->index(row, 0));
        }
        grid->selectionModel()->select(selection,
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        const int before = form.Table().recordCount();
        double wait = 0;
        const double elapsed = timedWithProbe([&] { form.suiButton2Click(); }, wait);
        const QString what = u"delete "_qs + QString::number(rows) +
                             (scattered ? u" scattered rows" : u" neighbouring rows");
        report(qPrintable(what), elapsed, 100);
        report("  longest wait for the UI thread meanwhile", wait, 100);
        std::printf("  records: %d -> %d\n", before, form.Table().recordCount());
    }
}

void measureDeleteAll(THForm &form)
{
    form.suiPageControl1->setCurrentIndex(0);
    const int before = form.Table().recordCount();
    QElapsedTimer timer;
    timer.start();
    form.DBGrid1->selectAll();
    const double select = ms(timer);
    double wait = 0;
    const double elapsed = timedWithProbe([&] { form.suiButton2Click(); }, wait);
    report("select every row (Ctrl+A)", select, 100);
    const QString what = u"delete every row ("_qs + QString::number(before) + u" records)";
    report(qPrintable(what), elapsed, 3000);
    report("  longest wait for the UI thread meanwhile", wait, 100);
    std::printf("  count text after: %s\n", qPrintable(form.StatusPanels[0]->text()));
}

// Peak resident memory since the last reset, in bytes.
long peakResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6)) * 1024;
    }
    return 0;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

void measureExport(THForm &form, const QString &folder)
{
    form.suiPageControl1->setCurrentIndex(0);
    form.DBGrid1->clearSelection();
    // The same file into memory (tmpfs) tells the program's part from the disk's.
    const QString memory = u"/dev/shm"_qs;
    for (const QString &name :
         {QDir(folder).filePath(u"export.txt"_qs), QDir(folder).filePath(u"export.csv"_qs),
          QDir(memory).filePath(u"palavrix-export.csv"_qs)}) {
        if (name.startsWith(memory) && !QFileInfo(memory).isWritable())
            continue;
        const QString path = name;
        QFile::remove(path);
        QCoreApplication::processEvents();
        resetPeakResident();
        const long before = bench::residentBytes();
        Dialogs::setNextInput(path);
        double wait = 0;
        const double elapsed = timedWithProbe([&] { form.suiButton4Click(); }, wait);
        const long peak = peakResidentBytes();
        const QString what =
            u"export "_qs + QString::number(form.Table().recordCount()) + u" records to " + name;
        report(qPrintable(what), elapsed, 10000);
        report("  longest wait for the UI thread meanwhile", wait, 100);
        std::printf("  file %.1f MB; resident memory %.1f MB before, peak %.1f MB (+%.1f MB)\n",
                    double(QFileInfo(path).size()) / 1e6, double(before) / 1e6, double(peak) / 1e6,
                    double(peak - before) / 1e6);
        QFile::remove(path);
    }
}

int measure(const QString &folder, int records)
{
    const QString big = QDir(folder).filePath(HistoryFileName(BigNick));
    {
        QElapsedTimer timer;
        timer.start();
        bool fresh = QFile::exists(big);
        if (fresh) {
            HistoryStore probe;
            probe.setProgramDir(folder);
            probe.OpenHistory(BigNick);
            // Earlier runs' appends and deletions stay; a store of another size is made again.
            const int found = probe.table().recordCount();
            fresh = std::abs(found - records) <= 100000;
        }
        if (!fresh) {
            std::printf("generating %d records in %s ...\n", records, qPrintable(folder));
            std::fflush(stdout);
            GenerateHistoryStore(folder, BigNick, records);
            std::printf("generated in %.1f s, %.1f MB\n", double(timer.elapsed()) / 1000.0,
                        double(QFileInfo(big).size()) / 1e6);
        }
    }
    // The empty store for the memory comparison.
    for (const QString &suffix : {u""_qs, u"-wal"_qs, u"-shm"_qs})
        QFile::remove(QDir(folder).filePath(HistoryFileName(EmptyNick)) + suffix);

    Windows w;
    THForm &form = w.form;
    form.Store->setProgramDir(folder);

    QElapsedTimer timer;
    timer.start();
    form.OpenHistory(BigNick);
    const QString count = form.StatusPanels[0]->text();
    report("OpenHistory + count text", ms(timer), 300);
    // What was opened, not what was asked for: earlier runs' appends and deletions stay.
    std::printf("  store: %s, %d records, %.1f MB; count text: %s\n", qPrintable(big),
                form.Table().recordCount(), double(QFileInfo(big).size()) / 1e6, qPrintable(count));

    // Until the first screen of rows has been painted into the grid.
    PaintCounter painted(form.DBGrid1->viewport());
    timer.start();
    form.show();
    while (painted.count == 0 && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    report("show the browser (filter + first screen painted)", ms(timer), 300);
    if (painted.count == 0)
        std::printf("  (the grid was never painted: the figure is not the show)\n");

    for (const int tab : {1, 2, 0, 2, 1, 0}) {
        timer.start();
        form.suiPageControl1->setCurrentIndex(tab);
        paint(form.ActiveGrid());
        const QString what = u"switch to tab "_qs + QString::number(tab) + u" (" +
                             QString::number(form.Table().recordCount()) + u" records)";
        report(qPrintable(what), ms(timer), 150);
    }

    for (const int tab : {0, 1}) {
        form.suiPageControl1->setCurrentIndex(tab);
        form.Table().moveTo(0);
        Form5->Edit1->setText(u"такого текста нет нигде"_qs);
        Form5->RadioButton1->setChecked(true);
        timer.start();
        Form5->Button1Click();
        const QString what = u"search finding nothing, tab "_qs + QString::number(tab) + u" (" +
                             QString::number(form.Table().recordCount()) + u" records)";
        report(qPrintable(what), ms(timer), 1000);
        std::printf("  result: %s\n", qPrintable(Form5->StatusPanels[1]->text()));
    }

    form.suiPageControl1->setCurrentIndex(0);
    QTableView *grid = form.DBGrid1;
    QScrollBar *bar = grid->verticalScrollBar();
    std::mt19937 random(7u);
    std::uniform_int_distribution<int> position(0, bar->maximum());
    std::vector<double> scrolls;
    for (int i = 0; i < 300; ++i) {
        const int value = i == 0 ? bar->maximum() : (i == 1 ? 0 : position(random));
        timer.start();
        bar->setValue(value);
        paint(grid);
        scrolls.push_back(ms(timer));
    }
    const bench::Summary scroll = bench::summarize(scrolls);
    report("scroll to a position + paint, median", scroll.median, 16);
    report("scroll to a position + paint, 99th percentile", scroll.p99, 16);
    report("scroll to a position + paint, worst", scroll.max, 16);

    std::printf("  count text before appends: %s\n", qPrintable(form.StatusPanels[0]->text()));
    measureAppends(form, records);
    std::printf("  count text after appends: %s\n", qPrintable(form.StatusPanels[0]->text()));

    measureDeletes(form, 3000);
    measureExport(form, folder);

    const qint64 empty = rssOf(folder, EmptyNick);
    const qint64 full = rssOf(folder, BigNick);
    std::printf("%-48s %9.1f MB\n", "RSS, browser open on an empty store", double(empty) / 1024);
    std::printf("%-48s %9.1f MB\n", "RSS, browser open on the large store", double(full) / 1024);
    std::printf("%-48s %9.1f MB   (target 100 MB)\n", "RSS difference",
                double(full - empty) / 1024);

    // Last, as it empties the store: every record selected and deleted. The store is put back
    // afterwards, so the next run need not generate it again.
    const QString kept = big + u".kept"_qs;
    QFile::remove(kept);
    if (!QFile::copy(big, kept)) {
        std::printf("  (no room to keep a copy of the store: deleting every record skipped)\n");
        return 0;
    }
    measureDeleteAll(form);
    form.Store->connection().close();
    QFile::remove(big);
    QFile::rename(kept, big);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // No dialog may wait for an answer here.
    Dialogs::setAutoAnswer(true);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() == 4 && args.at(1) == u"--rss") {
            QDir::setCurrent(args.at(2));
            return rssChild(args.at(2), args.at(3));
        }
        const QString folder =
            args.size() > 1 ? args.at(1) : QDir::temp().filePath(u"palavrix-history-bench"_qs);
        const int records = args.size() > 2 ? args.at(2).toInt() : 1000000;
        QDir().mkpath(folder);
        QDir::setCurrent(folder); // the template of the working folder opens at creation
        return measure(folder, records);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
