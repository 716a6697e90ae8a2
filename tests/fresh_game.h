// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh game and the exact save file the game writes for it.
#pragma once

#include "window/layout.h"

inline vusk::GameState FreshGame() { return vusk::NewGameFromDesign(); }

inline constexpr char kFreshFile[] =
    " 100 \r\n"
    " 0  1  20  0  1 \r\n"
    " 0  20  500  0  1 \r\n"
    " 0  400  30000  1  1000 \r\n"
    " 0  128000  10000000  1  1000000 \r\n"
    " 0  0  5000000000  1  1000000000 \r\n";
