// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/game.h"

#include "game/charconv.h"

#include <charconv>  // the exponent, an integer
#include <cmath>
#include <string>

namespace vusk {

namespace {

// The magnitude rounded to 15 significant digits, as its digits (trailing
// zeros dropped, at least one) and the decimal exponent of the first digit.
struct Decimal {
    std::string digits;
    int exponent;
};

Decimal ToDecimal(double magnitude) {
    char buf[64];
    auto [end, ec] = WriteScientific(buf, buf + sizeof buf, magnitude, 14);
    (void)ec;  // 64 characters hold any double in this form
    std::string_view text(buf, static_cast<size_t>(end - buf));  // d.ddddddddddddddde+XX
    const size_t e = text.find('e');
    Decimal d;
    d.digits.push_back(text[0]);
    if (e > 2) d.digits.append(text.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(),
                    exponent);
    d.exponent = exponent;
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

}  // namespace

std::string NumberToText(double value) {
    std::string out(1, value < 0 ? '-' : ' ');
    const double magnitude = std::fabs(value);
    if (std::isnan(magnitude)) return out + "NaN";
    if (std::isinf(magnitude)) return out + "Inf";
    if (magnitude == 0) return out + "0";

    const Decimal d = ToDecimal(magnitude);
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent >= -4 && d.exponent < 15) {
        if (d.exponent < 0) {
            out += "0.";
            out.append(static_cast<size_t>(-d.exponent - 1), '0');
            out += d.digits;
        } else if (n <= d.exponent + 1) {
            out += d.digits;
            out.append(static_cast<size_t>(d.exponent + 1 - n), '0');
        } else {
            out.append(d.digits, 0, static_cast<size_t>(d.exponent + 1));
            out += '.';
            out.append(d.digits, static_cast<size_t>(d.exponent + 1));
        }
        return out;
    }

    out += d.digits[0];
    if (n > 1) {
        out += '.';
        out.append(d.digits, 1);
    }
    out += 'E';
    out += d.exponent < 0 ? '-' : '+';
    const int e = std::abs(d.exponent);
    if (e < 10) out += '0';
    out += std::to_string(e);
    return out;
}

}  // namespace vusk
