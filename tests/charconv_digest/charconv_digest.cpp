// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Prints a digest of every result of the game's number conversions over a
// seeded sample, once through the calls the game makes (vusk::ReadDouble,
// vusk::WriteScientific) and once through the fallback. Built for the desktop
// and for WebAssembly (run.sh), the lines must be the same: same digits, same
// values, same errors and stops on both.
#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "charconv_sample.h"
#include "game/charconv.h"

namespace {

struct Digest {
    uint64_t hash = 0xcbf29ce484222325;  // FNV-1a
    void Add(const void* data, size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 0x100000001b3;
    }
    void Add(int64_t n) { Add(&n, sizeof n); }
    // The error by name: errno numbers differ between C libraries.
    void Add(std::errc ec) {
        Add(ec == std::errc() ? 0
            : ec == std::errc::invalid_argument   ? 1
            : ec == std::errc::result_out_of_range ? 2
            : ec == std::errc::value_too_large     ? 3
                                                   : 4);
    }
};

template <typename Read>
void AddRead(Digest& d, Read read, const std::string& text) {
    uint64_t bits = 0x7ff4deadbeef0001;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    const auto [ptr, ec] = read(text.data(), text.data() + text.size(), value);
    std::memcpy(&bits, &value, sizeof bits);
    d.Add(ec);
    d.Add(ptr - text.data());
    d.Add(static_cast<int64_t>(bits));
}

// Writes the value, adds the text (or the error) and returns the text.
template <typename Write>
std::string AddWrite(Digest& d, Write write, double value, int precision) {
    char buf[64];
    const auto [ptr, ec] = write(buf, buf + sizeof buf, value, precision);
    d.Add(ec);
    if (ec != std::errc()) return {};
    d.Add(buf, static_cast<size_t>(ptr - buf));
    return std::string(buf, ptr);
}

template <typename Read, typename Write>
uint64_t Run(int n, Read read, Write write) {
    std::mt19937_64 rng(20261209);
    Digest d;
    for (const char* text : {"0", "-0", "5e9", "1.79769313486231e308", "1.79769313486232e308",
                             "2.4703282292062328e-324", "2.4703282292062327e-324", "+1", " 1",
                             "0x10", "1e", "inf", "-nan(1)", "NaN(", ".", "5.", "1e-400"})
        AddRead(d, read, text);
    for (double v : {0.0, -0.0, DBL_TRUE_MIN, DBL_MIN, DBL_MAX, 5e9, 0.1, 2.5})
        for (int precision : {14, 0, 1, 17, 40}) AddWrite(d, write, v, precision);
    for (int i = 0; i < n; ++i) {
        const uint64_t bits = rng();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        const int precision = static_cast<int>(rng() % 20);
        AddRead(d, read, AddWrite(d, write, value, 14));
        AddWrite(d, write, value, precision);
        AddRead(d, read, vusk::sample::RandomDecimal(rng));
        AddRead(d, read, vusk::sample::RandomJunk(rng));
    }
    return d.hash;
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 200000;
    std::printf("game's calls: %d %016llx\n", n,
                static_cast<unsigned long long>(
                    Run(n, vusk::ReadDouble, vusk::WriteScientific)));
    std::printf("fallback:     %d %016llx\n", n,
                static_cast<unsigned long long>(
                    Run(n, vusk::charconv_fallback::ReadDouble,
                        vusk::charconv_fallback::WriteScientific)));
    return 0;
}
