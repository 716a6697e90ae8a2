// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's design: every control's place in twips (1/1440 inch, 15 to a
// logical pixel), its font, alignment and caption at creation. Plain C++: the
// producer labels' captions are the game's starting balance, which the
// rules' tools read from here too.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "game/game.h"

namespace vusk {

inline constexpr int kTwipsPerPixel = 15;

struct Twips {
    int left, top, width, height;
};

// Client area of the window, below the menu bar.
inline constexpr Twips kClientArea{0, 0, 5880, 4095};
// Both frames cover the client area; their right border lies just outside it.
inline constexpr Twips kFrameArea{0, 0, 5895, 4095};

enum class Layer { Game, Start, Ending };
enum class Kind { Label, Button };
enum class Align { Left, Right };

// Font sizes in points, of "MS Sans Serif"; 0 is the window's own 8.25.
inline constexpr double kDefaultPoints = 8.25;

struct ControlDesign {
    std::string_view name;
    int index;  // in its control array, or -1
    Kind kind;
    Layer layer;
    Twips box;  // relative to its layer
    double points;
    bool bold;
    Align align;
    std::string_view caption;  // at creation; the ending's captions come from the story
};

// clang-format off
inline constexpr std::array kDesign = std::to_array<ControlDesign>({
    // The header rows.
    {"Label1",       -1, Kind::Label,  Layer::Game, {120, 120, 2055, 375}, 13.5, false, Align::Left,  "Vusk collected:"},
    {"lblCounter",   -1, Kind::Label,  Layer::Game, {2160, 120, 3615, 375}, 13.5, false, Align::Right, ""},
    {"lblPerSecond", -1, Kind::Label,  Layer::Game, {120, 480, 5655, 255}, 9.75, false, Align::Right, "0 per second"},

    // One row per producer, in reading order: name, price, rate of one, number
    // owned, Purchase.
    {"Label2", 0, Kind::Label, Layer::Game, {120, 1200, 1455, 255}, 9.75, false, Align::Left, "Vusk on the cob"},
    {"lblFarmPrice", 0, Kind::Label, Layer::Game, {1680, 1200, 1095, 255}, 9.75, false, Align::Right, "k20"},
    {"lblFunction", 0, Kind::Label, Layer::Game, {3120, 1200, 615, 255}, 9.75, false, Align::Right, "1/s"},
    {"lblFarmCount", 0, Kind::Label, Layer::Game, {3840, 1200, 495, 255}, 9.75, false, Align::Right, "0x"},
    {"btnPurchase", 0, Kind::Button, Layer::Game, {4560, 1080, 1215, 495}, 0, false, Align::Left, "Purchase"},

    {"Label2", 1, Kind::Label, Layer::Game, {120, 1800,  855, 255}, 9.75, false, Align::Left, "Vusk field"},
    {"lblFarmPrice", 1, Kind::Label, Layer::Game, {1320, 1800, 1455, 255}, 9.75, false, Align::Right, "k500"},
    {"lblFunction", 1, Kind::Label, Layer::Game, {3120, 1800, 615, 255}, 9.75, false, Align::Right, "20/s"},
    {"lblFarmCount", 1, Kind::Label, Layer::Game, {3840, 1800, 495, 255}, 9.75, false, Align::Right, "0x"},
    {"btnPurchase", 1, Kind::Button, Layer::Game, {4560, 1680, 1215, 495}, 0, false, Align::Left, "Purchase"},

    {"Label2", 2, Kind::Label, Layer::Game, {120, 2400,  975, 255}, 9.75, false, Align::Left, "Vusk maze"},
    {"lblFarmPrice", 2, Kind::Label, Layer::Game, {1320, 2400, 1455, 255}, 9.75, false, Align::Right, "k30k"},
    {"lblFunction", 2, Kind::Label, Layer::Game, {3120, 2400, 615, 255}, 9.75, false, Align::Right, "400/s"},
    {"lblFarmCount", 2, Kind::Label, Layer::Game, {3840, 2400, 495, 255}, 9.75, false, Align::Right, "0x"},
    {"btnPurchase", 2, Kind::Button, Layer::Game, {4560, 2280, 1215, 495}, 0, false, Align::Left, "Purchase"},

    {"Label2", 3, Kind::Label, Layer::Game, {120, 3000, 1695, 255}, 9.75, false, Align::Left, "Vuskbine harvester"},
    {"lblFarmPrice", 3, Kind::Label, Layer::Game, {1920, 3000,  855, 255}, 9.75, false, Align::Right, "k10M"},
    {"lblFunction", 3, Kind::Label, Layer::Game, {2880, 3000, 855, 255}, 9.75, false, Align::Right, "128000/s"},
    {"lblFarmCount", 3, Kind::Label, Layer::Game, {3840, 3000, 495, 255}, 9.75, false, Align::Right, "0x"},
    {"btnPurchase", 3, Kind::Button, Layer::Game, {4560, 2880, 1215, 495}, 0, false, Align::Left, "Purchase"},

    {"Label2", 4, Kind::Label, Layer::Game, {120, 3600,  975, 255}, 9.75, false, Align::Left, "Vusk UFO"},
    {"lblFarmPrice", 4, Kind::Label, Layer::Game, {1680, 3600, 1095, 255}, 9.75, false, Align::Right, "k5B"},
    {"lblFunction", 4, Kind::Label, Layer::Game, {3120, 3600, 615, 255}, 9.75, false, Align::Right, "?\?\?\?/s"},
    {"lblFarmCount", 4, Kind::Label, Layer::Game, {3840, 3600, 495, 255}, 9.75, false, Align::Right, "0x"},
    {"btnPurchase", 4, Kind::Button, Layer::Game, {4560, 3480, 1215, 495}, 0, false, Align::Left, "Purchase"},

    // The start screen.
    {"Label3",      -1, Kind::Label,  Layer::Start, {480, 960, 2055, 615}, 13.5, false, Align::Left, "Sign up now"},
    {"Label4",      -1, Kind::Label,  Layer::Start, {480, 1320, 2415, 495}, 0, false, Align::Left, "Earn 100 free vusk to get started."},
    {"btnNewGame",  -1, Kind::Button, Layer::Start, {3600, 960, 1695, 735}, 9.75, false, Align::Left, "New game"},
    {"Label5",      -1, Kind::Label,  Layer::Start, {480, 2160, 2055, 615}, 13.5, false, Align::Left, "Log in"},
    {"Label6",      -1, Kind::Label,  Layer::Start, {480, 2520, 2415, 495}, 0, false, Align::Left, "Pick up where you left off, if you already have an account."},
    {"btnLoadGame", -1, Kind::Button, Layer::Start, {3600, 2160, 1695, 735}, 9.75, false, Align::Left, "Load game"},

    // The ending: the story, top to bottom, and the erase button.
    {"lblCinematic", 0, Kind::Label, Layer::Ending, {120, 240, 5535, 495}, 0, false, Align::Left, ""},
    {"lblCinematic", 1, Kind::Label, Layer::Ending, {120, 720, 5535, 495}, 0, false, Align::Left, ""},
    {"lblCinematic", 2, Kind::Label, Layer::Ending, {120, 1200, 5535, 255}, 0, false, Align::Left, ""},
    {"lblCinematic", 3, Kind::Label, Layer::Ending, {120, 1560, 5535, 255}, 0, false, Align::Left, ""},
    {"lblCinematic", 4, Kind::Label, Layer::Ending, {120, 1920, 5535, 495}, 0, false, Align::Left, ""},
    {"lblCinematic", 5, Kind::Label, Layer::Ending, {120, 2400, 5535, 735}, 0, false, Align::Left, ""},
    {"lblCinematic", 6, Kind::Label, Layer::Ending, {480, 3240, 2415, 255}, 0, false, Align::Left, ""},
    {"lblCinematic", 7, Kind::Label, Layer::Ending, {480, 3480, 1335, 255}, 0, false, Align::Left, ""},
    {"lblCinematic", 8, Kind::Label, Layer::Ending, {480, 3720, 1455, 255}, 0, true,  Align::Left, ""},
    {"btnErase",    -1, Kind::Button, Layer::Ending, {3600, 3360, 1575, 495}, 0, false, Align::Left, "&Erase save file"},
});
// clang-format on

// The design captions of a producer control array ("lblFarmPrice",
// "lblFunction", ...), by producer index.
inline PerFarm<std::string> DesignCaptions(std::string_view name) {
    PerFarm<std::string> captions;
    for (const ControlDesign& d : kDesign)
        if (d.name == name && d.index >= 0 && d.index < kFarmTypes) captions[static_cast<size_t>(d.index)] = d.caption;
    return captions;
}

// The game the window builds when it opens, from its design captions.
inline GameState NewGameFromDesign() {
    GameState state;
    NewGame(state, DesignCaptions("lblFarmPrice"), DesignCaptions("lblFunction"));
    return state;
}

}  // namespace vusk
