// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A window under test: a fake clock the test moves by hand, a script that
// records and answers every message box, and a file dialog that records what
// it proposed and picks what the test lined up.
#pragma once

#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "window/frmVuskSandwich.h"

struct Box {
    QString prompt;
    int style;
    QString title;
};

struct WindowFixture {
    using Mode = vusk::SaveLoadDialog::Mode;

    std::unique_ptr<vusk::frmVuskSandwich> w;
    double now = 1000;  // seconds on the fake clock
    std::vector<Box> boxes;
    std::deque<int> answers;  // the next answers to give; OK when empty
    std::deque<QString> choices;  // the next files the player picks; cancel when empty or ""
    std::vector<Mode> modes;      // the dialogs shown
    QStringList proposed;         // the names they proposed
    // The folders the first dialog chooses from, none of them on disk, so
    // that the first proposal is in kStart; nothing leaves the window's own.
    static inline const QString kStart = QStringLiteral("/vusk-test/start");
    std::optional<vusk::SaveFolders> folders = vusk::SaveFolders{
        kStart, QStringLiteral("/vusk-test/install"), QStringLiteral("/vusk-test/documents"),
        QStringLiteral("/vusk-test/home"), [](const QString&) { return true; }};

    void create() {
        boxes.clear();
        answers.clear();
        choices.clear();
        modes.clear();
        proposed.clear();
        now = 1000;
        w = std::make_unique<vusk::frmVuskSandwich>();
        w->setClock([this] { return now; });
        w->setMsgBox([this](const QString& prompt, int style, const QString& title) {
            boxes.push_back({prompt, style, title});
            if (answers.empty()) return vusk::answer::OK;
            const int a = answers.front();
            answers.pop_front();
            return a;
        });
        if (folders) w->dlgSaveLoad.setFolders(*folders);
        w->dlgSaveLoad.setChooser([this](Mode mode, const QString& name) -> std::optional<QString> {
            modes.push_back(mode);
            proposed << name;
            if (choices.empty()) return std::nullopt;
            const QString choice = choices.front();
            choices.pop_front();
            if (choice.isEmpty()) return std::nullopt;
            return choice;
        });
        w->tmrTick->stop();  // the test ticks by hand
    }

    // Changes the game and brings every label that shows it in line.
    void setState(const std::function<void(vusk::GameState&)>& change) {
        change(w->state);
        w->RefreshStateLabels();
    }

    // Moves the fake clock on in ticks of `step` seconds.
    void run(double seconds, double step) {
        for (double t = 0; t < seconds - 1e-9; t += step) {
            now += step;
            w->tmrTick_Timer();
        }
    }
};
