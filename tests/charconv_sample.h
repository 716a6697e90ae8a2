// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Random texts for the number conversions, plain C++: the same sequence from
// the same seed with every C++ library (only the generator's raw output is used).
#pragma once

#include <random>
#include <string>
#include <string_view>

namespace vusk::sample {

// A decimal number of random shape: sign, leading zeros, up to 40 digits, a
// point anywhere, an exponent near and beyond the doubles' range.
inline std::string RandomDecimal(std::mt19937_64& rng) {
    std::string s;
    if (rng() % 4 == 0) s += '-';
    const int digits = 1 + static_cast<int>(rng() % 40);
    const int point = static_cast<int>(rng() % static_cast<unsigned>(digits + 2)) - 1;
    if (rng() % 8 == 0) s.append(rng() % 4, '0');
    for (int i = 0; i < digits; ++i) {
        if (i == point) s += '.';
        s += static_cast<char>('0' + rng() % 10);
    }
    if (rng() % 3 != 0) {
        s += "eE"[rng() % 2];
        if (rng() % 2) s += "+-"[rng() % 2];
        s += std::to_string(rng() % 700 >= 350 ? rng() % 350 : rng() % 700);
    }
    return s;
}

// Short texts from the characters that matter to the grammar.
inline std::string RandomJunk(std::mt19937_64& rng) {
    static constexpr std::string_view kChars = "0123456789..eE+-- infatyINFANx()_,";
    std::string s;
    for (size_t n = rng() % 10; n > 0; --n) s += kChars[rng() % kChars.size()];
    return s;
}

}  // namespace vusk::sample
