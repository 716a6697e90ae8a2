// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ending/ending.h"

#include "game/charconv.h"

#include <cmath>
#include <limits>

namespace vusk {

const std::array<CinematicCaption, kCinematicCaptions> kCinematic = {{
    {"Overcome by greed for vusk, you used your savings to sow a field, and after it grew, you "
     "burned crop circles into it.",
     "8000"},
    {"A great beam of light shot out of the center of the circle, blasting up into the "
     "atmosphere, past the stars, past the planets, out of the solar system.",
     "8000"},
    {"And then the aliens came.", "5000"},
    {"You didn't know what you had done.", "4000"},
    {"You didn't know what they wanted. You didn't know if they were friendly. All you knew is "
     "you wanted vusk. All the vusk in the universe.",
     "8000"},
    {"Oh, the aliens had vusk alright. And just like you, they weren't satisfied with the amount "
     "they had. When you lit your beacon, they knew what it meant, and they knew what they had "
     "to do.",
     "11000"},
    {"PLANET EARTH DESTROYED.", "1000"},
    {"TOTAL VUSK: 0", "1000"},
    {"GAME OVER", "3000"},
}};

std::optional<int> TagToInterval(std::string_view tag) {
    double value = 0;
    auto [end, ec] = ReadDouble(tag.data(), tag.data() + tag.size(), value);
    if (tag.empty() || ec != std::errc() || end != tag.data() + tag.size() || !std::isfinite(value))
        return std::nullopt;
    value = std::floor(value);
    if (value < 0 || value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

CinematicEvent NextCinematicEvent(int16_t& cinematicStep, int captionCount) {
    if (cinematicStep >= 0 && cinematicStep < captionCount) {
        const int16_t show = cinematicStep;
        ++cinematicStep;
        return {false, show};
    }
    return {true, -1};
}

}  // namespace vusk
