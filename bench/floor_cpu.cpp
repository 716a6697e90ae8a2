// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for game_cpu: a bare window of the game's client size with one
// label whose number is rewritten every 20 ms, measured the same way.
// Usage: floor_cpu [SECONDS]   (default 10; run under X, e.g. xvfb-run)
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <cstdlib>

#include "measure.h"

int main(int argc, char* argv[]) {
    bench::Probe probe;
    QApplication app(argc, argv);
    probe.mark("app");
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;

    QWidget window;
    window.setWindowTitle(QStringLiteral("floor"));
    window.setFixedSize(392, 273);
    auto* label = new QLabel(&window);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignTop | Qt::AlignRight);
    label->setGeometry(144, 8, 241, 25);
    QFont font = label->font();
    font.setPointSizeF(13.5);
    label->setFont(font);
    probe.watch(label, QStringLiteral("label"));
    probe.mark("window");

    // The same amount per tick as game_cpu's producers earn.
    double collected = 123456.789;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++ticks;
        collected += 257310 * 0.02;
        label->setText(QString::number(std::floor(collected), 'f', 0));
    });
    timer.start();

    probe.watchFirstFrame(&window);
    window.show();
    probe.mark("shown");
    probe.quitAfter(seconds * 1000);
    app.exec();
    probe.report("floor", ticks);
    return probe.firstFrameShown() ? 0 : 1;
}
