// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-process figures of a Qt program for bench/compare.sh: CPU time,
// start-up time, peak memory, and paint events of watched widgets.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

// Seconds since boot, on the clock the kernel stamps a process's start with.
inline double BootSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// When this process was started (its exec), from /proc/self/stat, in the
// clock of BootSeconds. Resolution: one clock tick (10 ms at USER_HZ 100).
inline double ProcessStartSeconds() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // The fields after the command name, which is in parentheses and may
    // itself hold blanks: state is field 3, starttime field 22.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string skip;
    for (int field = 3; field < 22; ++field) fields >> skip;
    unsigned long long ticks = 0;
    fields >> ticks;
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// User plus system CPU time of this process so far, in seconds.
inline double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto seconds = [](timeval t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// Peak resident set size of this process, in KiB.
inline long PeakRssKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Counts paint events of watched widgets, before and after the first frame,
// and notes when the first frame of the top-level window is on the screen.
class Probe : public QObject {
public:
    // Taken as early in main() as possible.
    Probe() : mainSeconds_(BootSeconds()), processStart_(ProcessStartSeconds()) {}

    void watch(QWidget* widget, const QString& name) {
        widgets_.push_back({widget, name, 0, 0, QRect()});
        widget->installEventFilter(this);
    }

    // The first frame: the first expose of the window's native window, once
    // Qt has painted and flushed it. Call before show().
    void watchFirstFrame(QWidget* topLevel) {
        topLevel->winId();  // creates the native window
        window_ = topLevel->windowHandle();
        window_->installEventFilter(this);
    }

    bool firstFrameShown() const { return frameSeconds_ > 0; }

    // Notes how far start-up has come: wall time from main() and CPU time.
    void mark(const char* phase) { marks_.push_back({phase, BootSeconds(), CpuSeconds(), PeakRssKiB()}); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Expose && window_->isExposed() &&
            !firstFrameShown()) {
            // Let the window paint and flush this expose first, then stamp.
            window_->removeEventFilter(this);
            QCoreApplication::sendEvent(window_, event);
            frameSeconds_ = BootSeconds();
            frameCpu_ = CpuSeconds();
            frameRss_ = PeakRssKiB();
            return true;
        }
        if (event->type() == QEvent::Paint) {
            for (Watched& w : widgets_) {
                if (w.widget != watched) continue;
                if (firstFrameShown()) {
                    ++w.paintsAfter;
                    w.lastRect = static_cast<QPaintEvent*>(event)->rect();
                } else {
                    ++w.paintsBefore;
                }
            }
        }
        return false;
    }

    // Ends the event loop after `ms`, counting first the top-level windows
    // shown, so that a message box in one program and not the other shows.
    void quitAfter(int ms) {
        QTimer::singleShot(ms, this, [this] {
            for (const QWidget* w : QApplication::topLevelWidgets()) windows_ += w->isVisible();
            QCoreApplication::quit();
        });
    }

    // One line of figures, for bench/compare.sh, and one line per watched
    // widget.
    void report(const char* program, int ticks) const {
        std::printf("RESULT program=%s cpu_s=%.3f loop_cpu_s=%.3f startup_ms=%.1f "
                    "main_to_frame_ms=%.1f peak_rss_kib=%ld ticks=%d windows=%d\n",
                    program, CpuSeconds(), CpuSeconds() - frameCpu_,
                    (frameSeconds_ - processStart_) * 1000, (frameSeconds_ - mainSeconds_) * 1000,
                    PeakRssKiB(), ticks, windows_);
        std::printf("PHASES program=%s", program);
        for (const Mark& m : marks_)
            std::printf(" %s=%.1fms/%.1fms/%ldKiB", m.phase, (m.seconds - mainSeconds_) * 1000, m.cpu * 1000,
                        m.peakRss);
        std::printf(" first_frame=%.1fms/%.1fms/%ldKiB (wall from main()/process CPU/peak RSS so far)\n",
                    (frameSeconds_ - mainSeconds_) * 1000, frameCpu_ * 1000, frameRss_);
        for (const Watched& w : widgets_) {
            std::printf("PAINTS program=%s widget=%s first_frame=%d after=%d last_rect=%dx%d+%d+%d\n",
                        program, qPrintable(w.name), w.paintsBefore, w.paintsAfter,
                        w.lastRect.width(), w.lastRect.height(), w.lastRect.x(), w.lastRect.y());
        }
        std::fflush(stdout);
    }

private:
    struct Watched {
        QWidget* widget;
        QString name;
        int paintsBefore;
        int paintsAfter;
        QRect lastRect;
    };
    struct Mark {
        const char* phase;
        double seconds;
        double cpu;
        long peakRss;
    };
    std::vector<Mark> marks_;
    double mainSeconds_;
    double processStart_;
    double frameSeconds_ = 0;
    double frameCpu_ = 0;
    long frameRss_ = 0;
    int windows_ = 0;
    QWindow* window_ = nullptr;
    std::vector<Watched> widgets_;
};

}  // namespace bench
