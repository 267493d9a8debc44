// Start-up of the window program: time from process start to the main window's first paint, and
// resident memory once the simulated unit is connected. Runs itself ten times as child processes
// and prints the medians. Needs a display: run it under xvfb-run.
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "simulated_window.h"

namespace {

// Milliseconds since this process started (from /proc, so loading and static start-up count).
double msSinceProcessStart() {
    QFile stat("/proc/self/stat");
    if (!stat.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();  // field 22 of the line
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long residentKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Notes the first paint of any widget of the main window.
struct PaintProbe : QObject {
    QWidget* window = nullptr;
    double firstPaintMs = -1;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && firstPaintMs < 0) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && w->window() == window) firstPaintMs = msSinceProcessStart();
        }
        return QObject::eventFilter(o, e);
    }
};

int runOnce(int argc, char** argv) {
    QApplication app(argc, argv);
    vt::bench::SimulatedWindow program;
    PaintProbe probe;
    probe.window = &program.window();
    app.installEventFilter(&probe);
    program.controller.start();
    auto* label = program.window().findChild<QLabel*>("LinkLabel");
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (label->text() == "Device Connected" || waited.elapsed() > 15000) QApplication::quit();
    });
    poll.start(20);
    QApplication::exec();
    const bool connected = label->text() == "Device Connected";
    std::printf("%.1f %ld %d\n", probe.firstPaintMs, residentKb(), connected ? 1 : 0);
    return connected ? 0 : 1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty()
               ? 0
               : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--once") return runOnce(argc, argv);
    constexpr int kRuns = 10;
    std::vector<double> paint, rss;
    for (int i = 0; i < kRuns; ++i) {
        QProcess child;
        child.start(QString::fromLocal8Bit(argv[0]), {"--once"});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            std::fprintf(stderr, "run %d failed: %s\n", i,
                         child.readAllStandardError().constData());
            return 1;
        }
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        paint.push_back(f.value(0).toDouble());
        rss.push_back(f.value(1).toDouble() / 1024.0);
    }
    std::printf("first paint after process start: median %.1f ms over %d runs (target <= 400 ms)\n",
                median(paint), kRuns);
    std::printf("resident memory once connected:  median %.1f MB over %d runs (target <= 120 MB)\n",
                median(rss), kRuns);
    return 0;
}
