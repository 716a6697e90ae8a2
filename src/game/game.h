// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The economy of Vusk sandwich: the game state, a new game built from the
// window's design captions, production per second, the tick and purchases.
// Plain C++: the window owns a GameState and calls these rules.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vusk {

// Number of producer kinds: cob, field, maze, harvester, UFO.
inline constexpr int16_t kFarmTypes = 5;
// The UFO: buying it ends the game instead of adding a producer.
inline constexpr int16_t kUfoIndex = 4;
// Each purchase makes the next producer of its kind this much dearer.
inline constexpr double kPriceGrowth = 1.1;

template <typename T>
using PerFarm = std::array<T, kFarmTypes>;

struct GameState {
    double collected = 0;           // vusk collected so far, may hold a fraction
    int16_t farmTypes = 0;          // number of producer kinds, always kFarmTypes
    PerFarm<int16_t> farmCount{};   // producers owned
    PerFarm<int32_t> farmRate{};    // vusk per second of one producer
    PerFarm<double> farmPrice{};    // price of the next producer
    PerFarm<int16_t> priceSuffixLen{};  // 1 when the price label ends with a unit letter
    PerFarm<int32_t> priceUnit{};   // 1, 1000 (k), 1000000 (M) or 1000000000 (B)
    double lastTick = 0;            // clock reading, in seconds, at the end of the previous tick
    int16_t cinematicStep = 0;      // next ending caption to show

    bool operator==(const GameState&) const = default;
};

// A price caption: the prefix letter "k", digits, then optionally a unit
// letter "k", "M" or "B" (case-sensitive).
struct PriceCaption {
    double price;
    int32_t unit;
    int16_t suffixLen;
};

// Parses a price caption such as "k20" or "k30k". Returns nothing when the
// caption is malformed (no digits, an unknown letter).
std::optional<PriceCaption> ParsePriceCaption(std::string_view caption);

// Parses a rate caption such as "400/s"; a caption starting with "?" is rate 0.
std::optional<int32_t> ParseRateCaption(std::string_view caption);

// Builds a fresh game from the design captions of the price and rate labels.
// Everything but lastTick is overwritten. Throws std::invalid_argument on a
// malformed caption; the window's own captions are always well formed.
void NewGame(GameState& state, const PerFarm<std::string>& priceCaptions,
             const PerFarm<std::string>& rateCaptions);

// Vusk per second of everything owned, or nothing when the total does not
// fit in 32 bits.
std::optional<int32_t> TryCalculatePerSecond(const GameState& state);

// Vusk per second of everything owned. The game never lets the total leave
// the 32-bit range (purchases and loads that would are refused), so a
// total that does not fit is a broken invariant: std::overflow_error.
int32_t CalculatePerSecond(const GameState& state);

// Adds the production of `elapsed` seconds to `collected`. The amount stays
// finite: at the very top of the range it stops growing instead.
void AddProduction(GameState& state, double elapsed);

enum class PurchaseResult {
    NotEnough,  // the price is greater than what was collected; nothing changed
    TooMany,    // a count, the per-second total or the price would leave its range; nothing changed
    Bought,     // one more producer, paid for, and a dearer price
    Ending,     // the UFO was affordable: the game ends, nothing is paid or counted
};

// One purchase request for producer `index` (0 to kFarmTypes - 1).
PurchaseResult Purchase(GameState& state, int16_t index);

// Number to text, as every label shows numbers: a blank in place of the sign
// of a number that is not negative, plain digits below 10^15, from there on
// exponent form with at most 15 significant digits ("1E+15",
// "1.23456789012346E+17"). Fractions are written with a full stop, to 15
// significant digits, plainly from 0.0001 on and in exponent form below
// ("1E-05"). Independent of the locale.
std::string NumberToText(double value);

// Count label caption: number to text of the count followed by "x".
std::string FarmCountCaption(int16_t count);

// Price label caption: "k", the price in its unit rounded down, and the last
// `suffixLen` characters of the label's current caption (its unit letter).
std::string FarmPriceCaption(double price, int32_t unit, int16_t suffixLen,
                             std::string_view currentCaption);

// Per-second label caption: number to text followed by " per second".
std::string PerSecondCaption(int32_t perSecond);

// Counter label caption: the collected amount rounded down.
std::string CounterCaption(double collected);

}  // namespace vusk
