// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The game's real window, playing on its own for a while: prints its CPU
// time, start-up time, peak memory and the paint events of its labels.
// Usage: game_cpu [SECONDS] [OPTIONS]   (default 10 s; run under X, e.g. xvfb-run)
// Options, for finding out what a tick repaints:
//   --rewrite-captions  every 20 ms, also set every price, count and the
//                       per-second caption again to the text they already have
#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <cstdio>

#include "measure.h"
#include "window/frmVuskSandwich.h"

int main(int argc, char* argv[]) {
    bench::Probe probe;
    QApplication app(argc, argv);
    probe.mark("app");
    int seconds = 10;
    bool rewriteCaptions = false;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        bool number = false;
        const int n = args[i].toInt(&number);
        if (number && n >= 0) {
            seconds = n;
        } else if (args[i] == QLatin1String("--rewrite-captions")) {
            rewriteCaptions = true;
        } else {
            std::fprintf(stderr, "usage: game_cpu [SECONDS] [--rewrite-captions]\n");
            return 2;
        }
    }

    vusk::frmVuskSandwich window;
    probe.mark("window");
    window.btnNewGame_Click();
    // Producers of every kind but the UFO, and enough vusk that the counter
    // has many digits: its caption changes on every tick.
    window.state.farmCount = {10, 5, 3, 2, 0};
    window.state.collected = 123456.789;
    window.lblPerSecond_Update();

    probe.watch(window.lblCounter, QStringLiteral("lblCounter"));
    probe.watch(window.lblPerSecond, QStringLiteral("lblPerSecond"));
    probe.watch(window.Label1, QStringLiteral("Label1"));
    for (int i = 0; i < vusk::kFarmTypes; ++i) {
        const auto k = static_cast<size_t>(i);
        probe.watch(window.lblFarmPrice[k], QStringLiteral("lblFarmPrice(%1)").arg(i));
        probe.watch(window.lblFunction[k], QStringLiteral("lblFunction(%1)").arg(i));
        probe.watch(window.lblFarmCount[k], QStringLiteral("lblFarmCount(%1)").arg(i));
        probe.watch(window.Label2[k], QStringLiteral("Label2(%1)").arg(i));
    }
    int ticks = 0;
    QObject::connect(window.tmrTick, &QTimer::timeout, [&] {
        ++ticks;
        if (!rewriteCaptions) return;
        for (int16_t i = 0; i < vusk::kFarmTypes; ++i) {
            window.lblFarmPrice_UpdateCaption(i);
            window.lblFarmCount_UpdateCaption(i);
        }
        window.lblPerSecond_Update();
    });

    probe.watchFirstFrame(&window);
    window.show();
    probe.mark("shown");
    probe.quitAfter(seconds * 1000);
    app.exec();
    QString variant = QStringLiteral("game");
    if (rewriteCaptions) variant += QStringLiteral("-rewrite");
    probe.report(qPrintable(variant), ticks);
    return probe.firstFrameShown() ? 0 : 1;
}
