// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The save file: six lines of numbers, the collected amount and then one
// line per producer (count, rate, price, unit-letter length, unit). Plain C++.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "game/game.h"

namespace vusk {

// The save-file text of a game: every value in its number form (a blank or
// "-", the magnitude, one blank), the five values of a producer line one
// after the other, every line ended by CR LF.
std::string WriteSaveFile(const GameState& state);

// Reads a save file. A UTF-8 byte-order mark at its very start is passed
// over. The text is one stream of fields: blanks, CR and LF
// before a field are skipped, a field runs up to a blank, comma, CR, LF or
// the end, so the line structure does not matter. All or nothing: the
// result is `current` with the saved fields replaced, or nothing when the
// text ends before the 26th value or holds a value that is not a number,
// not finite or out of range (counts 0 to 32767, rates not negative, prices
// finite and not negative, suffix length 0 or 1, unit 1, 1000, 1000000 or
// 1000000000, a per-second total in 32 bits). Fields after the 26th are
// ignored. farmTypes, lastTick and cinematicStep come from `current`.
std::optional<GameState> ReadSaveFile(std::string_view text, const GameState& current);

}  // namespace vusk
