// A fresh game and the exact save file the game writes for it.
#pragma once

#include "game/game.h"

inline vusk::GameState FreshGame() {
    vusk::GameState s;
    vusk::NewGame(s, {"k20", "k500", "k30k", "k10M", "k5B"},
                  {"1/s", "20/s", "400/s", "128000/s", "?\?\?\?/s"});
    return s;
}

inline constexpr char kFreshFile[] =
    " 100 \r\n"
    " 0  1  20  0  1 \r\n"
    " 0  20  500  0  1 \r\n"
    " 0  400  30000  1  1000 \r\n"
    " 0  128000  10000000  1  1000000 \r\n"
    " 0  0  5000000000  1  1000000000 \r\n";
