// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The one window of Vusk sandwich: the game layer with its producer rows,
// the start screen, the ending, the menus and the two timers. The rules of
// the game live in game/, savefile/ and ending/; the event procedures here
// call them and keep the labels up to date.
#pragma once

#include <QMainWindow>

#include <array>

#include "ending/ending.h"
#include "game/game.h"
#include "window/platform.h"

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace vusk {

class frmVuskSandwich : public QMainWindow {
    Q_OBJECT

public:
    explicit frmVuskSandwich(QWidget* parent = nullptr);
    ~frmVuskSandwich() override;

    // The game state, for tests and for the procedures below.
    GameState state;

    // Controls, by the names the program uses for them.
    QWidget* gameLayer = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblCounter = nullptr;
    QLabel* lblPerSecond = nullptr;
    PerFarm<QLabel*> Label2{};
    PerFarm<QLabel*> lblFarmPrice{};
    PerFarm<QLabel*> lblFunction{};
    PerFarm<QLabel*> lblFarmCount{};
    PerFarm<QPushButton*> btnPurchase{};

    QFrame* fraNewOrLoad = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* btnNewGame = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* btnLoadGame = nullptr;

    QFrame* fraCinematic = nullptr;
    std::array<QLabel*, kCinematicCaptions> lblCinematic{};
    QPushButton* btnErase = nullptr;

    QMenu* mnuFile = nullptr;
    QAction* mnuLoad = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuQuit = nullptr;
    QMenu* mnuPurchase = nullptr;
    QAction* mnuCob = nullptr;
    QAction* mnuField = nullptr;
    QAction* mnuMaze = nullptr;
    QAction* mnuHarvester = nullptr;
    QAction* mnuUfo = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuSeekHelp = nullptr;
    QAction* mnuAbout = nullptr;

    QTimer* tmrTick = nullptr;
    QTimer* tmrCinematic = nullptr;

    SaveLoadDialog dlgSaveLoad;

    // Seams: message boxes and the clock. setClock also restarts the
    // measurement of elapsed time from the new clock's reading.
    void setMsgBox(MsgBoxFunction fn) { msgBox_ = std::move(fn); }
    void setClock(ClockFunction fn);

    int MsgBox(const QString& prompt, int style, const QString& title);

    // Event procedures.
    void Form_Load();
    void NewGame();
    void tmrTick_Timer();
    void lblCounter_Update();
    void lblPerSecond_Update();
    void btnPurchase_Click(int16_t Index);
    void lblFarmCount_UpdateCaption(int16_t Index);
    void lblFarmPrice_UpdateCaption(int16_t Index);
    void btnNewGame_Click();
    void btnLoadGame_Click();
    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuQuit_Click();
    void mnuCob_Click() { btnPurchase_Click(0); }
    void mnuField_Click() { btnPurchase_Click(1); }
    void mnuMaze_Click() { btnPurchase_Click(2); }
    void mnuHarvester_Click() { btnPurchase_Click(3); }
    void mnuUfo_Click() { btnPurchase_Click(4); }
    void mnuSeekHelp_Click();
    void mnuAbout_Click();
    void tmrCinematic_Timer();
    void btnErase_Click();
    bool LoadGame();
    // Rewrites every label that shows the game state, as a load does: each
    // producer's price and count, the per-second label and the counter.
    void RefreshStateLabels();

    // True from the moment the UFO was bought.
    bool EndingStarted() const;

protected:
    // Enter and the keypad's Enter press the focused command button, as
    // Space does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Building the window, in this order.
    void CreateLayers();
    void CreateDesignedControls();
    void BindControls();
    void MaskCounter();
    void FillStory();
    void DescribeControls();
    void ConnectControls();
    void SetTabOrder();
    void CreateMenus();
    void CreateTimers();

    void StartEnding();
    // The ending timer's event: tmrCinematic_Timer once the next event is
    // due, else a wait for the rest of the time.
    void tmrCinematic_Elapsed();
    // Only the top visible layer takes input: covered controls can be
    // neither clicked nor reached from the keyboard.
    void UpdateCoveredControls();

    MsgBoxFunction msgBox_;
    ClockFunction clock_;
    // When the ending timer's next event is due, on clock_.
    double cinematicDue_ = 0;
};

}  // namespace vusk
