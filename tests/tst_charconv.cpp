// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The fallback conversions give exactly what std::from_chars and std::to_chars
// give, call for call: value, error and where reading stops.
#include <QtTest>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "charconv_sample.h"
#include "game/charconv.h"

namespace fb = vusk::charconv_fallback;

namespace {

// What a read left behind. value starts as a bit pattern no read gives, so a
// value written on an error shows.
struct Read {
    std::errc ec;
    std::ptrdiff_t used;
    uint64_t bits;
    bool operator==(const Read&) const = default;
};
constexpr uint64_t kUntouched = 0x7ff4'dead'beef'0001;

template <typename F>
Read DoRead(F read, std::string_view text) {
    double value = std::bit_cast<double>(kUntouched);
    const auto [ptr, ec] = read(text.data(), text.data() + text.size(), value);
    return {ec, ptr - text.data(), std::bit_cast<uint64_t>(value)};
}
Read StdRead(std::string_view t) {
    return DoRead([](const char* f, const char* l, double& v) { return std::from_chars(f, l, v); },
                  t);
}
Read OurRead(std::string_view t) { return DoRead(fb::ReadDouble, t); }

QByteArray Describe(const Read& r) {
    return QByteArray("errc ") + QByteArray::number(static_cast<int>(r.ec)) + " used " +
           QByteArray::number(static_cast<qlonglong>(r.used)) + " bits " +
           QByteArray::number(static_cast<qulonglong>(r.bits), 16);
}

// The text written, or the error and how far the pointer went.
template <typename F>
QByteArray DoWrite(F write, double value, int precision, size_t room) {
    std::string buf(room, '#');
    const auto [ptr, ec] = write(buf.data(), buf.data() + room, value, precision);
    if (ec != std::errc())
        return "errc " + QByteArray::number(static_cast<int>(ec)) + " at " +
               QByteArray::number(static_cast<qlonglong>(ptr - buf.data()));
    return QByteArray(buf.data(), ptr - buf.data());
}
QByteArray StdWrite(double v, int precision, size_t room = 1100) {
    return DoWrite(
        [](char* f, char* l, double x, int p) {
            return std::to_chars(f, l, x, std::chars_format::scientific, p);
        },
        v, precision, room);
}
QByteArray OurWrite(double v, int precision, size_t room = 1100) {
    return DoWrite(fb::WriteScientific, v, precision, room);
}

// For the loops: whether the fallback and the standard call agree; a difference is
// reported with both results.
bool SameRead(std::string_view text) {
    const Read ours = OurRead(text), theirs = StdRead(text);
    if (ours == theirs) return true;
    qWarning() << "read of" << QByteArray(text.data(), text.size()) << ":" << Describe(ours)
               << "instead of" << Describe(theirs);
    return false;
}
bool SameWrite(double value, int precision) {
    const QByteArray ours = OurWrite(value, precision), theirs = StdWrite(value, precision);
    if (ours == theirs) return true;
    qWarning() << "write of" << std::bit_cast<uint64_t>(value) << "at" << precision << ":"
               << ours << "instead of" << theirs;
    return false;
}

// Every check of the seeded sample: bit patterns written in a few precisions
// and read back, their shortest text read, random decimals and junk read.
// Returns the number of mismatches (each reported).
int RandomSampleMismatches(int n) {
    std::mt19937_64 rng(20261209);
    int bad = 0;
    for (int i = 0; i < n && bad < 10; ++i) {
        const double value = std::bit_cast<double>(rng());
        const int precision = static_cast<int>(rng() % 20);
        bad += !SameWrite(value, 14) + !SameWrite(value, precision);
        char buf[64];
        const auto shortest = std::to_chars(buf, buf + sizeof buf, value);
        bad += !SameRead(std::string_view(buf, shortest.ptr - buf));
        bad += !SameRead(StdWrite(value, 14).toStdString());
        bad += !SameRead(vusk::sample::RandomDecimal(rng));
        bad += !SameRead(vusk::sample::RandomJunk(rng));
    }
    return bad;
}

QString SourceFile(const char* relative) { return QStringLiteral(VUSK_SOURCE_DIR "/") + relative; }

}  // namespace

class TestCharconv : public QObject {
    Q_OBJECT

private slots:
    void readsAsTheStandard_data() {
        QTest::addColumn<QByteArray>("text");
        const auto row = [](const char* text) { QTest::newRow(text) << QByteArray(text); };
        for (const char* t :
             {"0", "-0", "0.0e0", "-0e-99999", "000001", "4.9406564584124654e-324",
              "2.4703282292062328e-324", "2.4703282292062327e-324", "1e-310",
              "2.2250738585072011e-308", "2.2250738585072014e-308", "1.7976931348623157e308",
              "1.7976931348623158e308", "1.7976931348623159e308", "1e22", "1e23", "1e-5",
              "0.1", "9007199254740993", "9007199254740995", "5e9", "5000000000",
              "1.79769313486231e308", "1.79769313486232e308", "-1.79769313486231e308", "32767",
              "2147483647", "2147483648", "1000000000", "1e15", "999999999999999", "0.0001",
              "9.99999999999999e-05", "62.7685709352", "1e308", "1e309", "1e-324", "1e400",
              "1e-400", "1e99999999999999999999", "1e-99999999999999999999",
              "0e99999999999999999999"})
            row(t);
        // Syntax: what is read, where reading stops, what is refused.
        for (const char* t : {"",      "-",     "+1",       " 1",       "\t1",      "1 ",
                              "0x1p3", "0x10",  "1e",       "1e+",      "1e-",      "1E5",
                              "1e+5",  ".5",    "5.",       ".",        "-.5",      "--1",
                              "1.2.3", "1e5.5", "e5",       "-e5",      "1,5",      "1_0",
                              "inf",   "-inf",  "INFINITY", "infinit",  "infx",     "in",
                              "nan",   "-nan",  "NaN(12_ab)", "nan(",   "nan(1 2)", "nan()",
                              "-nan(x)", "+inf", "1e+-5", "1.e5",   ".e5",      "0.",
                              "1d5"})
            row(t);
        // Long texts: many digits, halfway cases decided by a far digit.
        const std::string zeros(1000, '0');
        QTest::newRow("halfway, even") << QByteArray::fromStdString("9007199254740993." + zeros);
        QTest::newRow("halfway, far digit up")
            << QByteArray::fromStdString("9007199254740993." + zeros + "1");
        // 1 + 2^-53, halfway between 1 and the next double, written out exactly.
        char half[96];
        const auto end = std::to_chars(half, half + sizeof half, std::ldexp(1.0, -53),
                                       std::chars_format::fixed, 70);
        half[0] = '1';
        const std::string halfway(half, end.ptr);
        QTest::newRow("1 + 2^-53, even") << QByteArray::fromStdString(halfway);
        QTest::newRow("1 + 2^-53, far digit up")
            << QByteArray::fromStdString(halfway + zeros + "1");
        QTest::newRow("1 + 2^-53, far digit down")
            << QByteArray::fromStdString(halfway.substr(0, halfway.find_last_not_of('0')) + "4" +
                                         std::string(200, '9'));
        QTest::newRow("400 digits") << QByteArray::fromStdString("1" + std::string(400, '0'));
        QTest::newRow("1e-700 written out")
            << QByteArray::fromStdString("0." + std::string(699, '0') + "1");
        QTest::newRow("many digits, far exponent")
            << QByteArray::fromStdString("1" + zeros + "e-1300");
        QTest::newRow("leading zeros")
            << QByteArray::fromStdString(zeros + "12.5" + zeros + "e+2");
    }
    void readsAsTheStandard() {
        QFETCH(QByteArray, text);
        const std::string_view t(text.constData(), static_cast<size_t>(text.size()));
        QCOMPARE(Describe(OurRead(t)), Describe(StdRead(t)));
    }

    void writesAsTheStandard_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("room");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        const std::pair<const char*, double> values[] = {
            {"0", 0.0},           {"-0", -0.0},         {"denorm_min", DBL_TRUE_MIN},
            {"DBL_MIN", DBL_MIN}, {"DBL_MAX", DBL_MAX}, {"-DBL_MAX", -DBL_MAX},
            {"1e15", 1e15},       {"1e23", 1e23},       {"0.1", 0.1},
            {"2.5", 2.5},         {"0.125", 0.125},     {"5e9", 5e9},
            {"largest written", 1.79769313486231e308},  {"62.7685709352", 62.7685709352},
            {"inf", inf},         {"-inf", -inf},       {"nan", nan},
            {"-nan", -nan}};
        for (const auto& [name, value] : values)
            for (int precision : {14, 0, 1, 6, 16, 17, 40, -1, 767})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(name).arg(precision)))
                    << value << precision << 1100;
        // "1.50000000000000e+00" is 20 characters.
        QTest::newRow("fits exactly") << 1.5 << 14 << 20;
        QTest::newRow("one short") << 1.5 << 14 << 19;
        QTest::newRow("no room") << 1.5 << 14 << 0;
        QTest::newRow("-inf, one short") << -inf << 14 << 3;
    }
    void writesAsTheStandard() {
        QFETCH(double, value);
        QFETCH(int, precision);
        QFETCH(int, room);
        QCOMPARE(OurWrite(value, precision, room), StdWrite(value, precision, room));
    }

    // A seeded sample, the same on every run, in the C locale and in one
    // whose decimal point is a comma (Qt sets the user's locale at start).
    void randomSample_data() {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<int>("count");
        QTest::newRow("C") << QByteArray("C") << 300000;
        QTest::newRow("de_DE") << QByteArray("de_DE.UTF-8") << 30000;
    }
    void randomSample() {
        QFETCH(QByteArray, locale);
        QFETCH(int, count);
        const std::string previous = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, locale.constData()))
            QSKIP("locale not available (tests/CMakeLists.txt builds it with localedef)");
        if (locale != "C") {
            // The C library now reads and writes a comma: the case to guard.
            QCOMPARE(std::strtod("1.5", nullptr), 1.0);
            QCOMPARE(QByteArray(std::localeconv()->decimal_point), QByteArray(","));
        }
        const int bad = RandomSampleMismatches(count);
        std::setlocale(LC_ALL, previous.c_str());
        QCOMPARE(bad, 0);
    }

    // Every field of every save file the fuzzer starts from, split where the
    // save file splits fields, reads the same.
    void fuzzInputsReadTheSame() {
        int fields = 0;
        for (const char* dir : {"fuzz/corpus", "fuzz/regressions"}) {
            const QDir d(SourceFile(dir));
            for (const QString& name : d.entryList(QDir::Files)) {
                QFile file(d.filePath(name));
                QVERIFY(file.open(QIODevice::ReadOnly));
                const std::string text = file.readAll().toStdString();
                size_t start = 0;
                for (size_t i = 0; i <= text.size(); ++i) {
                    if (i < text.size() && !std::strchr(" \r\n,", text[i])) continue;
                    if (i > start) {
                        const std::string_view field(text.data() + start, i - start);
                        QVERIFY2(SameRead(field), qPrintable(name));
                        double value = 0;
                        if (std::from_chars(field.data(), field.data() + field.size(), value)
                                .ec == std::errc())
                            QVERIFY2(SameWrite(value, 14), qPrintable(name));
                        ++fields;
                    }
                    start = i + 1;
                }
            }
        }
        QVERIFY(fields > 300);
    }
};

QTEST_GUILESS_MAIN(TestCharconv)
#include "tst_charconv.moc"
