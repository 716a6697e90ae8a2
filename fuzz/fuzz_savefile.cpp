// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the save-file reader. Whatever ReadSaveFile accepts must lie in
// the ranges it promises, must be safe to hand to the game's rules, and must
// come back from a save and a load: after one round of rounding to 15
// significant digits the text and the state are a fixed point. Any
// violation prints what failed and aborts, so libFuzzer keeps the input.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "game/charconv.h"
#include "game/game.h"
#include "savefile/savefile.h"
#include "window/layout.h"

namespace {

using vusk::GameState;
using vusk::PerFarm;

const PerFarm<std::string> kPriceCaptions = vusk::DesignCaptions("lblFarmPrice");
const PerFarm<std::string> kRateCaptions = vusk::DesignCaptions("lblFunction");

// Rounding to 15 significant digits moves a value by at most half a unit in
// the 15th digit; reading the digits back adds half a unit in the last place
// of a double (and, for subnormals, half the smallest step).
constexpr double kRelTolerance = 5.2e-15;
constexpr double kAbsTolerance = std::numeric_limits<double>::denorm_min();

void PrintState(const char* name, const GameState& s) {
    std::fprintf(stderr, "%s: collected %.17g, farmTypes %d, lastTick %.17g, cinematicStep %d\n",
                 name, s.collected, s.farmTypes, s.lastTick, s.cinematicStep);
    for (int i = 0; i < vusk::kFarmTypes; ++i)
        std::fprintf(stderr, "  [%d] count %d rate %d price %.17g suffixLen %d unit %d\n", i,
                     s.farmCount[i], s.farmRate[i], s.farmPrice[i], s.priceSuffixLen[i],
                     s.priceUnit[i]);
}

void PrintText(const char* name, std::string_view text) {
    std::fprintf(stderr, "%s (%zu bytes): \"", name, text.size());
    for (unsigned char c : text) {
        if (c == '\r')
            std::fputs("\\r", stderr);
        else if (c == '\n')
            std::fputs("\\n", stderr);
        else if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\')
            std::fputc(c, stderr);
        else
            std::fprintf(stderr, "\\x%02x", c);
    }
    std::fputs("\"\n", stderr);
}

// What the input was and which step failed; set before each step so that a
// sanitizer report or a failed check can be told apart in the log.
const char* g_step = "";
const GameState* g_state = nullptr;

[[noreturn]] void Fail(const char* what, int line) {
    std::fprintf(stderr, "\nPROPERTY VIOLATED (fuzz_savefile.cpp:%d, step \"%s\"): %s\n", line,
                 g_step, what);
    if (g_state) PrintState("state", *g_state);
    std::abort();
}

#define REQUIRE(cond)                       \
    do {                                    \
        if (!(cond)) Fail(#cond, __LINE__); \
    } while (0)

GameState MakeCurrent() {
    GameState s;
    s.lastTick = 12.5;
    vusk::NewGame(s, kPriceCaptions, kRateCaptions);
    // Not touched by NewGame's captions, and never by the reader: a value
    // that is not the default shows whether the reader keeps it.
    s.cinematicStep = 3;
    return s;
}

const GameState& Current() {
    static const GameState current = MakeCurrent();
    return current;
}

bool IsUnit(int32_t unit) {
    return unit == 1 || unit == 1000 || unit == 1000000 || unit == 1000000000;
}

bool Close(double expected, double actual) {
    return std::fabs(expected - actual) <= kRelTolerance * std::fabs(expected) + kAbsTolerance;
}

// The ranges the reader promises, and the fields it must take from `current`.
void RequireReaderRanges(const GameState& s) {
    const GameState& current = Current();
    REQUIRE(s.farmTypes == current.farmTypes);
    REQUIRE(s.lastTick == current.lastTick);
    REQUIRE(s.cinematicStep == current.cinematicStep);
    REQUIRE(std::isfinite(s.collected));
    for (int i = 0; i < s.farmTypes; ++i) {
        REQUIRE(s.farmCount[i] >= 0 && s.farmCount[i] <= 32767);
        REQUIRE(s.farmRate[i] >= 0);
        REQUIRE(std::isfinite(s.farmPrice[i]) && s.farmPrice[i] >= 0);
        REQUIRE(s.priceSuffixLen[i] == 0 || s.priceSuffixLen[i] == 1);
        REQUIRE(IsUnit(s.priceUnit[i]));
    }
    REQUIRE(vusk::TryCalculatePerSecond(s).has_value());
}

// Number to text of a finite value: the sign position, only the characters
// of the number form, at most 15 significant digits, and the digits read
// back (in long double, so that the rounding of values next to the double
// range cannot overflow) are the value to 15 digits.
void RequireNumberText(double value, const std::string& text) {
    REQUIRE(text.size() >= 2);
    REQUIRE(text[0] == (value < 0 ? '-' : ' '));
    const std::string_view magnitude = std::string_view(text).substr(1);
    int digits = 0;
    bool leading = true;
    bool exponentForm = false;
    for (size_t i = 0; i < magnitude.size(); ++i) {
        const char c = magnitude[i];
        if (c == 'E') {
            // "E", the sign, two or three digits.
            exponentForm = true;
            const std::string_view exponent = magnitude.substr(i + 1);
            REQUIRE(exponent.size() == 3 || exponent.size() == 4);
            REQUIRE(exponent[0] == '+' || exponent[0] == '-');
            for (char d : exponent.substr(1)) REQUIRE(d >= '0' && d <= '9');
            break;
        }
        REQUIRE((c >= '0' && c <= '9') || c == '.');
        if (c >= '1' && c <= '9') leading = false;
        if (c >= '0' && c <= '9' && !leading) ++digits;
    }
    REQUIRE(digits <= 15);
    long double back = 0;
    const auto [end, ec] =
        std::from_chars(magnitude.data(), magnitude.data() + magnitude.size(), back);
    REQUIRE(ec == std::errc());
    REQUIRE(end == magnitude.data() + magnitude.size());
    const long double expected = std::fabs(static_cast<long double>(value));
    REQUIRE(std::fabs(expected - back) <= 5.0000001e-15L * expected);
    // Plain digits stop at 10^15, fractions go to exponent form below 0.0001.
    if (!exponentForm) REQUIRE(back < 1e15L && (back == 0 || back >= 1e-4L));
    if (exponentForm) REQUIRE(back >= 1e15L || back < 1e-4L);
}

void RequireNumberText(double value) { RequireNumberText(value, vusk::NumberToText(value)); }

// The integer a label shows for a whole number below 10^15: plain digits.
std::string Plain(long long whole) {
    return (whole < 0 ? "-" : " ") + std::to_string(whole < 0 ? -whole : whole);
}

void RequireCaptions(const GameState& s) {
    g_step = "captions";
    RequireNumberText(s.collected);
    const double floored = std::floor(s.collected);
    const std::string counter = vusk::CounterCaption(s.collected);
    if (std::fabs(floored) < 1e15)
        REQUIRE(counter == Plain(static_cast<long long>(floored)));
    else
        RequireNumberText(floored, counter);

    const int32_t perSecond = vusk::CalculatePerSecond(s);
    REQUIRE(vusk::PerSecondCaption(perSecond) == Plain(perSecond) + " per second");
    RequireNumberText(perSecond);

    for (int16_t i = 0; i < s.farmTypes; ++i) {
        RequireNumberText(s.farmPrice[i]);
        RequireNumberText(s.farmRate[i]);
        REQUIRE(vusk::FarmCountCaption(s.farmCount[i]) == Plain(s.farmCount[i]) + "x");

        const std::string& design = kPriceCaptions[i];
        const std::string price = vusk::FarmPriceCaption(s.farmPrice[i], s.priceUnit[i],
                                                         s.priceSuffixLen[i], design);
        const double inUnit = std::floor(s.farmPrice[i] / s.priceUnit[i]);
        const std::string suffix = s.priceSuffixLen[i] == 1 ? design.substr(design.size() - 1) : "";
        REQUIRE(price == "k" + vusk::NumberToText(inUnit).substr(1) + suffix);
        RequireNumberText(inUnit);
    }
}

// A game the rules can reach must be one the player can save and load again.
void RequireSaveable(const GameState& s) {
    const std::string text = vusk::WriteSaveFile(s);
    const auto back = vusk::ReadSaveFile(text, Current());
    if (!back) PrintText("written", text);
    REQUIRE(back.has_value());
}

void RequirePurchases(const GameState& s) {
    for (int16_t i = 0; i < s.farmTypes; ++i) {
        g_step = "purchase";
        GameState copy = s;
        const vusk::PurchaseResult result = vusk::Purchase(copy, i);
        const double price = s.farmPrice[i];

        if (price > s.collected) {
            REQUIRE(result == vusk::PurchaseResult::NotEnough);
            REQUIRE(copy == s);
            continue;
        }
        if (i == vusk::kUfoIndex) {
            REQUIRE(result == vusk::PurchaseResult::Ending);
            REQUIRE(copy == s);
            continue;
        }
        // Whether one more fits: the count, the per-second total in 64 bits,
        // the next price.
        bool fits = s.farmCount[i] < 32767 && std::isfinite(price * vusk::kPriceGrowth);
        int64_t total = 0;
        for (int16_t j = 0; j < s.farmTypes; ++j)
            total += static_cast<int64_t>(s.farmRate[j]) * (s.farmCount[j] + (j == i ? 1 : 0));
        fits = fits && total <= std::numeric_limits<int32_t>::max();

        if (!fits) {
            REQUIRE(result == vusk::PurchaseResult::TooMany);
            REQUIRE(copy == s);
            continue;
        }
        REQUIRE(result == vusk::PurchaseResult::Bought);
        GameState expected = s;
        expected.farmCount[i] += 1;
        expected.collected = s.collected - price;
        expected.farmPrice[i] = price * vusk::kPriceGrowth;
        REQUIRE(copy == expected);
        RequireReaderRanges(copy);
        g_step = "save after a purchase";
        RequireSaveable(copy);
    }
}

void RequireProduction(const GameState& s) {
    const int32_t perSecond = vusk::CalculatePerSecond(s);
    for (double elapsed : {0.0, 0.02, 1.0, 3600.0, 1e9}) {
        g_step = "production";
        GameState copy = s;
        vusk::AddProduction(copy, elapsed);
        REQUIRE(std::isfinite(copy.collected));
        REQUIRE(copy.collected >= s.collected);
        const double sum = s.collected + perSecond * elapsed;
        if (std::isfinite(sum)) REQUIRE(copy.collected == sum);
        GameState rest = copy;
        rest.collected = s.collected;
        REQUIRE(rest == s);
        g_step = "save after production";
        RequireSaveable(copy);
    }
}

// The conversion fallback (used where the C++ library has no floating-point
// from_chars and to_chars) reads every field of the input, and every text
// that starts at a field, as std::from_chars does, and writes what it read as
// std::to_chars does.
void RequireSameConversions(std::string_view text) {
    for (size_t start = 0; start < text.size(); ++start) {
        if (start > 0 && !std::strchr(" \r\n,", text[start - 1])) continue;
        size_t end = start;
        while (end < text.size() && !std::strchr(" \r\n,", text[end])) ++end;
        for (const std::string_view t : {text.substr(start, end - start), text.substr(start)}) {
            double ours = -1.5, theirs = -1.5;
            const char* last = t.data() + t.size();
            const auto a = vusk::charconv_fallback::ReadDouble(t.data(), last, ours);
            const auto b = std::from_chars(t.data(), last, theirs);
            REQUIRE(a.ec == b.ec && a.ptr == b.ptr);
            REQUIRE(std::memcmp(&ours, &theirs, sizeof ours) == 0);
            char x[64], y[64];
            const auto wa = vusk::charconv_fallback::WriteScientific(x, x + sizeof x, theirs, 14);
            const auto wb =
                std::to_chars(y, y + sizeof y, theirs, std::chars_format::scientific, 14);
            REQUIRE(wa.ec == wb.ec && wa.ptr - x == wb.ptr - y);
            REQUIRE(std::memcmp(x, y, static_cast<size_t>(wa.ptr - x)) == 0);
        }
    }
}

void RequireRoundTrip(const GameState& s1) {
    g_step = "round trip";
    const GameState& current = Current();
    const std::string t1 = vusk::WriteSaveFile(s1);
    // Six lines, each ended by CR LF.
    size_t lines = 0;
    for (size_t p = t1.find("\r\n"); p != std::string::npos; p = t1.find("\r\n", p + 2)) ++lines;
    REQUIRE(lines == static_cast<size_t>(1 + s1.farmTypes));
    REQUIRE(t1.size() >= 2 && t1.compare(t1.size() - 2, 2, "\r\n") == 0);

    const auto s2 = vusk::ReadSaveFile(t1, current);
    if (!s2) PrintText("written", t1);
    REQUIRE(s2.has_value());
    g_state = &*s2;
    RequireReaderRanges(*s2);
    // Whole numbers are written exactly; fractions to 15 digits.
    REQUIRE(s2->farmCount == s1.farmCount);
    REQUIRE(s2->farmRate == s1.farmRate);
    REQUIRE(s2->priceSuffixLen == s1.priceSuffixLen);
    REQUIRE(s2->priceUnit == s1.priceUnit);
    REQUIRE(Close(s1.collected, s2->collected));
    for (int i = 0; i < s1.farmTypes; ++i) REQUIRE(Close(s1.farmPrice[i], s2->farmPrice[i]));

    const std::string t2 = vusk::WriteSaveFile(*s2);
    if (t2 != t1) {
        PrintText("first save", t1);
        PrintText("second save", t2);
    }
    REQUIRE(t2 == t1);
    const auto s3 = vusk::ReadSaveFile(t2, current);
    REQUIRE(s3.has_value());
    REQUIRE(*s3 == *s2);
    g_state = &s1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    g_state = nullptr;
    g_step = "conversions";
    RequireSameConversions(text);
    g_step = "read";
    const auto s1 = vusk::ReadSaveFile(text, Current());
    if (!s1) return 0;
    g_state = &*s1;

    RequireReaderRanges(*s1);
    RequireRoundTrip(*s1);
    RequireCaptions(*s1);
    RequirePurchases(*s1);
    RequireProduction(*s1);
    g_state = nullptr;
    return 0;
}
