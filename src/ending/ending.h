// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The alien ending: the nine story captions, their delays and the reveal
// step driven by the ending timer. Plain C++.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vusk {

struct CinematicCaption {
    std::string_view text;
    std::string_view tag;  // delay before the next step, in milliseconds
};

inline constexpr int kCinematicCaptions = 9;

// The story, revealed top to bottom.
extern const std::array<CinematicCaption, kCinematicCaptions> kCinematic;

// The ending timer's interval when the ending first starts.
inline constexpr int kCinematicFirstInterval = 1800;

// A caption's Tag as a timer interval: the number rounded down. Nothing when
// the Tag is not a number or not a usable interval.
std::optional<int> TagToInterval(std::string_view tag);

// What one event of the ending timer does.
struct CinematicEvent {
    bool finished;   // every caption has been shown: show the erase button, stop the timer
    int16_t show;    // otherwise: the caption to show
};

// Advances `cinematicStep` over `captionCount` captions.
CinematicEvent NextCinematicEvent(int16_t& cinematicStep, int captionCount);

}  // namespace vusk
