// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "savefile/savefile.h"

#include "game/charconv.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace vusk {

namespace {

// The largest number of 15 significant digits that is still a double.
// Anything larger would be written as a number above the largest double,
// which reads back as out of range; it is written as this one instead.
constexpr double kLargestWritten = 1.79769313486231e308;

void AppendNumber(std::string& out, double value) {
    if (std::fabs(value) > kLargestWritten) value = std::copysign(kLargestWritten, value);
    out += NumberToText(value);
    out += ' ';
}

// Splits the text into fields, one at a time.
class FieldReader {
public:
    explicit FieldReader(std::string_view text) : text_(text) {}

    // The next field's value, or nothing at the end of the text or when the
    // field is not a finite number.
    std::optional<double> Next() {
        while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return std::nullopt;
        const size_t start = pos_;
        while (pos_ < text_.size() && !IsDelimiter(text_[pos_])) ++pos_;
        std::string_view field = text_.substr(start, pos_ - start);
        if (pos_ < text_.size()) ++pos_;  // the delimiter belongs to the field it ends
        return ParseField(field);
    }

private:
    static bool IsSkipped(char c) { return c == ' ' || c == '\r' || c == '\n'; }
    static bool IsDelimiter(char c) { return IsSkipped(c) || c == ','; }

    static std::optional<double> ParseField(std::string_view field) {
        if (field.empty()) return std::nullopt;
        // Digits with an optional sign, a point and fraction, an exponent.
        // Words such as "inf" and "nan" are not numbers here.
        if (field.front() == '+') {
            field.remove_prefix(1);
            if (field.empty() || field.front() == '-') return std::nullopt;
        }
        for (char c : field) {
            const bool ok = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' ||
                            c == 'e' || c == 'E';
            if (!ok) return std::nullopt;
        }
        double value = 0;
        auto [end, ec] = ReadDouble(field.data(), field.data() + field.size(), value);
        if (ec != std::errc() || end != field.data() + field.size() || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

template <typename Int>
std::optional<Int> WholeIn(std::optional<double> value, double lo, double hi) {
    if (!value || std::floor(*value) != *value || *value < lo || *value > hi) return std::nullopt;
    return static_cast<Int>(*value);
}

bool IsUnit(int32_t unit) {
    return unit == 1 || unit == 1000 || unit == 1000000 || unit == 1000000000;
}

}  // namespace

std::string WriteSaveFile(const GameState& state) {
    std::string out;
    out.reserve(64 + 64 * static_cast<size_t>(state.farmTypes));
    AppendNumber(out, state.collected);
    out += "\r\n";
    for (int16_t i = 0; i < state.farmTypes; ++i) {
        AppendNumber(out, state.farmCount[i]);
        AppendNumber(out, state.farmRate[i]);
        AppendNumber(out, state.farmPrice[i]);
        AppendNumber(out, state.priceSuffixLen[i]);
        AppendNumber(out, state.priceUnit[i]);
        out += "\r\n";
    }
    return out;
}

std::optional<GameState> ReadSaveFile(std::string_view text, const GameState& current) {
    // Some editors start a file they save with a UTF-8 byte-order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    FieldReader in(text);
    GameState next = current;

    const auto collected = in.Next();
    if (!collected) return std::nullopt;
    next.collected = *collected;

    for (int16_t i = 0; i < next.farmTypes; ++i) {
        const auto count = WholeIn<int16_t>(in.Next(), 0, std::numeric_limits<int16_t>::max());
        if (!count) return std::nullopt;
        const auto rate = WholeIn<int32_t>(in.Next(), 0, std::numeric_limits<int32_t>::max());
        if (!rate) return std::nullopt;
        const auto price = in.Next();
        if (!price || *price < 0) return std::nullopt;
        const auto suffixLen = WholeIn<int16_t>(in.Next(), 0, 1);
        if (!suffixLen) return std::nullopt;
        const auto unit = WholeIn<int32_t>(in.Next(), 1, 1000000000);
        if (!unit || !IsUnit(*unit)) return std::nullopt;

        next.farmCount[i] = *count;
        next.farmRate[i] = *rate;
        next.farmPrice[i] = *price;
        next.priceSuffixLen[i] = *suffixLen;
        next.priceUnit[i] = *unit;
    }
    if (!TryCalculatePerSecond(next)) return std::nullopt;
    return next;
}

}  // namespace vusk
