// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/game.h"

#include "game/charconv.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace vusk {

namespace {

// The whole text as a finite number, or nothing.
std::optional<double> ParseNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, ec] = ReadDouble(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<PriceCaption> ParsePriceCaption(std::string_view caption) {
    if (caption.empty()) return std::nullopt;
    std::string_view text = caption.substr(1);  // drop the prefix letter
    PriceCaption result{0, 1, 0};
    if (!text.empty()) {
        switch (text.back()) {
            case 'k': result.unit = 1000; break;
            case 'M': result.unit = 1000000; break;
            case 'B': result.unit = 1000000000; break;
            default: break;
        }
        if (result.unit != 1) {
            text.remove_suffix(1);
            result.suffixLen = 1;
        }
    }
    const auto number = ParseNumber(text);
    if (!number || *number < 0) return std::nullopt;
    result.price = std::floor(*number) * result.unit;
    return result;
}

std::optional<int32_t> ParseRateCaption(std::string_view caption) {
    if (caption.empty()) return std::nullopt;
    if (caption.front() == '?') return 0;
    if (caption.size() < 2) return std::nullopt;
    const auto number = ParseNumber(caption.substr(0, caption.size() - 2));  // drop "/s"
    if (!number) return std::nullopt;
    const double whole = std::floor(*number);
    if (whole < std::numeric_limits<int32_t>::min() || whole > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(whole);
}

void NewGame(GameState& state, const PerFarm<std::string>& priceCaptions,
             const PerFarm<std::string>& rateCaptions) {
    GameState fresh;
    fresh.lastTick = state.lastTick;
    fresh.farmTypes = kFarmTypes;
    fresh.cinematicStep = 0;
    fresh.collected = 100;
    for (int16_t i = 0; i < fresh.farmTypes; ++i) {
        const auto price = ParsePriceCaption(priceCaptions[i]);
        const auto rate = ParseRateCaption(rateCaptions[i]);
        if (!price) throw std::invalid_argument("malformed price caption: " + priceCaptions[i]);
        if (!rate) throw std::invalid_argument("malformed rate caption: " + rateCaptions[i]);
        fresh.farmCount[i] = 0;
        fresh.priceUnit[i] = price->unit;
        fresh.priceSuffixLen[i] = price->suffixLen;
        fresh.farmPrice[i] = price->price;
        fresh.farmRate[i] = *rate;
    }
    // The cob always starts at 1 vusk per second for 20 vusk.
    fresh.farmRate[0] = 1;
    fresh.farmPrice[0] = 20;
    state = fresh;
}

std::optional<int32_t> TryCalculatePerSecond(const GameState& state) {
    // Each product and each partial sum must stay in the 32-bit range; in 64
    // bits they are computed exactly, so the check sees every overflow.
    constexpr int64_t lo = std::numeric_limits<int32_t>::min();
    constexpr int64_t hi = std::numeric_limits<int32_t>::max();
    int64_t total = 0;
    for (int16_t i = 0; i < state.farmTypes; ++i) {
        const int64_t product = static_cast<int64_t>(state.farmRate[i]) * state.farmCount[i];
        if (product < lo || product > hi) return std::nullopt;
        total += product;
        if (total < lo || total > hi) return std::nullopt;
    }
    return static_cast<int32_t>(total);
}

int32_t CalculatePerSecond(const GameState& state) {
    const auto total = TryCalculatePerSecond(state);
    if (!total) throw std::overflow_error("production per second out of range");
    return *total;
}

void AddProduction(GameState& state, double elapsed) {
    const double next = state.collected + CalculatePerSecond(state) * elapsed;
    if (std::isfinite(next))
        state.collected = next;
    else
        state.collected = std::copysign(std::numeric_limits<double>::max(), next);
}

PurchaseResult Purchase(GameState& state, int16_t index) {
    if (index < 0 || index >= state.farmTypes) throw std::out_of_range("producer index");
    const double price = state.farmPrice[index];
    if (price > state.collected) return PurchaseResult::NotEnough;
    if (index == kUfoIndex) return PurchaseResult::Ending;

    if (state.farmCount[index] == std::numeric_limits<int16_t>::max())
        return PurchaseResult::TooMany;
    GameState next = state;
    next.farmCount[index] += 1;
    next.collected -= price;
    next.farmPrice[index] = price * kPriceGrowth;
    if (!TryCalculatePerSecond(next) || !std::isfinite(next.farmPrice[index]))
        return PurchaseResult::TooMany;
    state = next;
    return PurchaseResult::Bought;
}

std::string FarmCountCaption(int16_t count) { return NumberToText(count) + "x"; }

std::string FarmPriceCaption(double price, int32_t unit, int16_t suffixLen,
                             std::string_view currentCaption) {
    const double inUnit = unit > 0 ? std::floor(price / unit) : price;
    std::string caption = "k" + NumberToText(inUnit).substr(1);
    const size_t keep = suffixLen > 0 ? std::min<size_t>(static_cast<size_t>(suffixLen),
                                                         currentCaption.size())
                                      : 0;
    caption.append(currentCaption.substr(currentCaption.size() - keep));
    return caption;
}

std::string PerSecondCaption(int32_t perSecond) { return NumberToText(perSecond) + " per second"; }

std::string CounterCaption(double collected) { return NumberToText(std::floor(collected)); }

}  // namespace vusk
