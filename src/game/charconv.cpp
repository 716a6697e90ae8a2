// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/charconv.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace vusk {

std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
#if VUSK_HAVE_FLOAT_FROM_CHARS
    return std::from_chars(first, last, value);
#else
    return charconv_fallback::ReadDouble(first, last, value);
#endif
}

std::to_chars_result WriteScientific(char* first, char* last, double value, int precision) {
#if VUSK_HAVE_FLOAT_TO_CHARS
    return std::to_chars(first, last, value, std::chars_format::scientific, precision);
#else
    return charconv_fallback::WriteScientific(first, last, value, precision);
#endif
}

namespace charconv_fallback {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether the text at p starts with word (in lower case), in any case.
bool StartsWith(const char* p, const char* last, std::string_view word) {
    if (last - p < static_cast<std::ptrdiff_t>(word.size())) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Lower(p[i]) != word[i]) return false;
    return true;
}

// Larger exponents saturate here; the result is then out of range anyway.
constexpr int64_t kExponentCap = int64_t{1} << 40;

}  // namespace

std::from_chars_result ReadDouble(const char* first, const char* last, double& value) {
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative) ++p;

    if (StartsWith(p, last, "inf")) {
        p += 3;
        if (StartsWith(p, last, "inity")) p += 5;
        value = negative ? -std::numeric_limits<double>::infinity()
                         : std::numeric_limits<double>::infinity();
        return {p, std::errc()};
    }
    if (StartsWith(p, last, "nan")) {
        p += 3;
        if (p != last && *p == '(') {
            const char* q = p + 1;
            while (q != last && (IsDigit(*q) || IsLetter(*q) || *q == '_')) ++q;
            if (q != last && *q == ')') p = q + 1;
        }
        value = std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1.0 : 1.0);
        return {p, std::errc()};
    }

    // The significant digits without the point and the decimal exponent of
    // the last one. strtod then reads them as "<digits>e<exponent>": with no
    // point in it, a locale whose decimal point is a comma (Qt sets the
    // user's locale) cannot change what it reads.
    std::string digits;
    int64_t exponent = 0;
    bool anyDigit = false;
    for (; p != last && IsDigit(*p); ++p) {
        anyDigit = true;
        if (!digits.empty() || *p != '0') digits += *p;
    }
    if (p != last && *p == '.') {
        const char* q = p + 1;
        for (; q != last && IsDigit(*q); ++q) {
            anyDigit = true;
            if (!digits.empty() || *q != '0') digits += *q;
            --exponent;
        }
        if (anyDigit) p = q;
    }
    if (!anyDigit) return {first, std::errc::invalid_argument};
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        const bool negativeExponent = q != last && *q == '-';
        if (q != last && (*q == '+' || *q == '-')) ++q;
        if (q != last && IsDigit(*q)) {
            int64_t e = 0;
            for (; q != last && IsDigit(*q); ++q)
                if (e < kExponentCap) e = e * 10 + (*q - '0');
            exponent += negativeExponent ? -e : e;
            p = q;
        }
    }

    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (digits.empty()) {
        value = negative ? -0.0 : 0.0;
        return {p, std::errc()};
    }
    // The decimal exponent of the first digit: beyond these bounds the
    // number is far outside the doubles (about 4.9e-324 to 1.8e308).
    const int64_t leading = exponent + static_cast<int64_t>(digits.size()) - 1;
    if (leading > 400 || leading < -400) return {p, std::errc::result_out_of_range};

    digits += 'e';
    digits += std::to_string(exponent);
    const int savedErrno = errno;
    const double magnitude = std::strtod(digits.c_str(), nullptr);
    errno = savedErrno;
    // Like the standard call, a number that rounds to infinity or to zero is
    // out of range; one that rounds to a subnormal double is not.
    if (std::isinf(magnitude) || magnitude == 0) return {p, std::errc::result_out_of_range};
    value = negative ? -magnitude : magnitude;
    return {p, std::errc()};
}

std::to_chars_result WriteScientific(char* first, char* last, double value, int precision) {
    if (precision < 0) precision = 6;
    std::string text;
    if (std::isnan(value)) {
        text = std::signbit(value) ? "-nan" : "nan";
    } else if (std::isinf(value)) {
        text = value < 0 ? "-inf" : "inf";
    } else {
        // snprintf rounds exactly, but writes the locale's decimal point,
        // which may be a comma or even several bytes: everything but the
        // digits, the signs and the 'e' is dropped and '.' put back after
        // the first digit.
        // The shortest such text, "d.<precision digits>e+dd", must fit.
        if (last - first < static_cast<std::ptrdiff_t>(precision) + (precision > 0 ? 6 : 5))
            return {last, std::errc::value_too_large};
        std::string raw(static_cast<size_t>(precision) + 32, '\0');
        int n = std::snprintf(raw.data(), raw.size(), "%.*e", precision, value);
        if (n >= static_cast<int>(raw.size())) {  // a long decimal point
            raw.resize(static_cast<size_t>(n) + 1);
            n = std::snprintf(raw.data(), raw.size(), "%.*e", precision, value);
        }
        raw.resize(static_cast<size_t>(n));
        bool point = precision == 0;
        for (char c : raw) {
            if (!IsDigit(c) && c != '-' && c != '+' && c != 'e') continue;
            text += c;
            if (IsDigit(c) && !point) {
                text += '.';
                point = true;
            }
        }
    }
    if (last - first < static_cast<std::ptrdiff_t>(text.size()))
        return {last, std::errc::value_too_large};
    std::memcpy(first, text.data(), text.size());
    return {first + text.size(), std::errc()};
}

}  // namespace charconv_fallback

}  // namespace vusk
