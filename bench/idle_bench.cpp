// Cost of the window program left alone: connected to the simulated unit and untouched, how much
// CPU it uses per second (getrusage, over 10 s), and how soon a marker drag reaches its edit box
// once the idle window is touched again. Needs a display: run it under xvfb-run.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <cstdio>

#include "simulated_window.h"

namespace {

// User plus system CPU time of this process (all its threads), in milliseconds.
double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Runs the event loop for `ms` milliseconds, or until `done` says so (checked every 2 ms when
// `poll` is set; without it the loop only sleeps and answers its timers).
template <typename Done>
void runFor(int ms, Done done, bool poll = true) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done()) loop.quit();
    });
    if (poll) check.start(2);
    if (!done()) loop.exec();
}

// Counts the paints of the main window's widgets.
struct PaintCounter : QObject {
    QWidget* window = nullptr;
    long paints = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && w->window() == window) ++paints;
        }
        return QObject::eventFilter(o, e);
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vt::bench::SimulatedWindow program;
    vt::ui::MainWindow& window = program.window();
    program.controller.start();

    auto* label = window.findChild<QLabel*>("LinkLabel");
    runFor(15000, [&] { return label->text() == "Device Connected"; });
    if (label->text() != "Device Connected") {
        std::fprintf(stderr, "the simulated unit did not connect\n");
        return 1;
    }
    runFor(
        2000, [] { return false; }, false);  // let the read and first paints settle

    PaintCounter counter;
    counter.window = &window;
    app.installEventFilter(&counter);
    constexpr int kIdleMs = 10000;
    const double before = cpuMs();
    runFor(
        kIdleMs, [] { return false; }, false);
    const double used = cpuMs() - before;
    std::printf("idle while connected: %.2f ms of CPU per second over %d s (target <= 3)\n",
                used / (kIdleMs / 1000.0), kIdleMs / 1000);
    std::printf("paints while idle:    %.1f per second; editor tick %s\n",
                counter.paints / (kIdleMs / 1000.0),
                window.editorTickRunning() ? "running" : "stopped");

    // A drag after the idle spell: press band 3's marker and move it; time until its frequency
    // box shows the new value (the editor tick applies drags every 10 ms).
    QWidget* marker = window.findChild<QWidget*>("EP3");
    auto* box = window.findChild<QLineEdit*>("MusFreEdit3");
    if (!marker || !box) return 1;
    const QPointF inside(9, 9);
    QMouseEvent press(QEvent::MouseButtonPress, inside, marker->mapToGlobal(inside), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(marker, &press);
    const QString start = box->text();
    const QPointF moved(9 + 40, 9);
    QMouseEvent move(QEvent::MouseMove, moved, marker->mapToGlobal(moved), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QElapsedTimer reach;
    reach.start();
    QApplication::sendEvent(marker, &move);
    runFor(1000, [&] { return box->text() != start; });
    std::printf("drag to edit box:     %.1f ms (one editor tick is 10 ms)\n",
                reach.nsecsElapsed() / 1e6);
    QMouseEvent release(QEvent::MouseButtonRelease, moved, marker->mapToGlobal(moved),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(marker, &release);
    return box->text() != start ? 0 : 1;
}
