// A window under test: a fake clock the test moves by hand and a script that
// records and answers every message box.
#pragma once

#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <memory>

#include "window/frmVuskSandwich.h"

struct Box {
    QString prompt;
    int style;
    QString title;
};

struct WindowFixture {
    std::unique_ptr<vusk::frmVuskSandwich> w;
    double now = 1000;  // seconds on the fake clock
    std::vector<Box> boxes;
    std::deque<int> answers;  // the next answers to give; OK when empty

    void create() {
        boxes.clear();
        answers.clear();
        now = 1000;
        w = std::make_unique<vusk::frmVuskSandwich>();
        w->setClock([this] { return now; });
        w->setMsgBox([this](const QString& prompt, int style, const QString& title) {
            boxes.push_back({prompt, style, title});
            if (answers.empty()) return 1;
            const int a = answers.front();
            answers.pop_front();
            return a;
        });
        w->tmrTick->stop();  // the test ticks by hand
    }

    // Moves the fake clock on in ticks of `step` seconds.
    void run(double seconds, double step) {
        for (double t = 0; t < seconds - 1e-9; t += step) {
            now += step;
            w->tmrTick_Timer();
        }
    }
};
