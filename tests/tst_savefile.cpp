// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The save file: the text written, and reading it back all or nothing.
#include <QtTest>

#include <cmath>
#include <limits>

#include "fresh_game.h"
#include "savefile/savefile.h"

using namespace vusk;

namespace {

// The same 26 numbers padded to 14-column print zones.
std::string PrintZones(const std::vector<std::vector<std::string>>& lines) {
    std::string out;
    for (const auto& line : lines) {
        std::string row;
        for (size_t i = 0; i < line.size(); ++i) {
            if (i > 0) row.append(14 - row.size() % 14, ' ');
            row += line[i];
        }
        out += row + "\r\n";
    }
    return out;
}

}  // namespace

class TestSaveFile : public QObject {
    Q_OBJECT

private slots:
    void freshGameFile() {
        const std::string text = WriteSaveFile(FreshGame());
        QCOMPARE(QByteArray::fromStdString(text), QByteArray(kFreshFile));
        QVERIFY(text.starts_with(" 100 \r\n"));  // blank, 100, blank, CR, LF
        QVERIFY(text.ends_with(" 5000000000  1  1000000000 \r\n"));
    }

    void floatsAreWrittenTo15Digits() {
        GameState s = FreshGame();
        s.collected = 26.620000000000005;
        s.farmPrice[0] = 24.200000000000003;
        s.farmPrice[1] = 1e15;
        s.farmPrice[2] = 1.23456789012345678e17;
        s.farmPrice[3] = 0.00001;
        s.farmPrice[4] = 0.000037;
        const std::string text = WriteSaveFile(s);
        QVERIFY2(text.starts_with(" 26.62 \r\n"), text.c_str());
        QVERIFY(text.find(" 0  1  24.2  0  1 \r\n") != std::string::npos);
        QVERIFY(text.find(" 1E+15 ") != std::string::npos);
        QVERIFY(text.find(" 1.23456789012346E+17 ") != std::string::npos);
        QVERIFY(text.find(" 1E-05 ") != std::string::npos);
        QVERIFY(text.find(" 3.7E-05 ") != std::string::npos);

        s.collected = -12.5;
        QVERIFY(WriteSaveFile(s).starts_with("-12.5 \r\n"));
    }

    void roundTrips() {
        // A fresh game, a game after purchases, and values at the edges.
        GameState fresh = FreshGame();
        QCOMPARE(ReadSaveFile(WriteSaveFile(fresh), fresh), std::optional<GameState>(fresh));

        GameState played = fresh;
        played.collected = 1234.5678;
        for (int i = 0; i < 2; ++i) {
            played.farmPrice[0] *= 1.1;
            played.farmCount[0] += 1;
        }
        const auto back = ReadSaveFile(WriteSaveFile(played), fresh);
        QVERIFY(back);
        QCOMPARE(back->farmPrice[0], 24.2);  // the double nearest to the written 24.2
        QCOMPARE(back->farmCount[0], int16_t(2));
        QCOMPARE(back->collected, 1234.5678);

        GameState edge = fresh;
        edge.collected = -1.5e300;
        edge.farmCount = {32767, 0, 0, 0, 0};
        edge.farmRate = {1, std::numeric_limits<int32_t>::max(), 0, 0, 0};
        edge.farmPrice = {0, 1e-300, 1.7e308, 123456789012345.0, 0.5};
        const auto edgeBack = ReadSaveFile(WriteSaveFile(edge), fresh);
        QVERIFY(edgeBack);
        QCOMPARE(*edgeBack, edge);

        // The largest doubles (where production stops growing) still load,
        // within 15 significant digits.
        GameState top = fresh;
        top.collected = std::numeric_limits<double>::max();
        top.farmPrice[2] = std::numeric_limits<double>::max();
        const std::string topText = WriteSaveFile(top);
        QVERIFY2(topText.starts_with(" 1.79769313486231E+308 \r\n"), topText.c_str());
        const auto topBack = ReadSaveFile(topText, fresh);
        QVERIFY(topBack);
        QVERIFY(std::abs(topBack->collected / top.collected - 1) < 1e-14);
        QVERIFY(std::abs(topBack->farmPrice[2] / top.farmPrice[2] - 1) < 1e-14);
        top.collected = -top.collected;
        QVERIFY(ReadSaveFile(WriteSaveFile(top), fresh));
    }

    void keepsWhatTheFileDoesNotHold() {
        GameState current = FreshGame();
        current.lastTick = 77.25;
        current.cinematicStep = 3;
        GameState saved = FreshGame();
        saved.collected = 5;
        const auto loaded = ReadSaveFile(WriteSaveFile(saved), current);
        QVERIFY(loaded);
        QCOMPARE(loaded->collected, 5.0);
        QCOMPARE(loaded->lastTick, 77.25);
        QCOMPARE(loaded->cinematicStep, int16_t(3));
        QCOMPARE(loaded->farmTypes, int16_t(5));
    }

    void layoutsReadTheSame() {
        const GameState fresh = FreshGame();
        GameState base = fresh;
        base.collected = 1;  // so that a load visibly changes something
        const auto expected = ReadSaveFile(kFreshFile, base);
        QVERIFY(expected);
        QCOMPARE(*expected, fresh);

        std::string oneLine = " 100";
        for (const char* n : {"0", "1", "20", "0", "1", "0", "20", "500", "0", "1", "0", "400", "30000",
                              "1", "1000", "0", "128000", "10000000", "1", "1000000", "0", "0",
                              "5000000000", "1", "1000000000"})
            oneLine += std::string(" ") + n;
        const std::string zones = PrintZones({{" 100 "},
                                              {" 0 ", " 1 ", " 20 ", " 0 ", " 1 "},
                                              {" 0 ", " 20 ", " 500 ", " 0 ", " 1 "},
                                              {" 0 ", " 400 ", " 30000 ", " 1 ", " 1000 "},
                                              {" 0 ", " 128000 ", " 10000000 ", " 1 ", " 1000000 "},
                                              {" 0 ", " 0 ", " 5000000000 ", " 1 ", " 1000000000 "}});
        // The second number of line 2 starts at column 15.
        QCOMPARE(zones.substr(zones.find("\r\n") + 2, 16), " 0" + std::string(13, ' ') + "1");

        std::string lfOnly = kFreshFile;
        std::erase(lfOnly, '\r');
        const std::string exponents =
            "1E+2\n0 1 2E+1 0 1\n0 2E1 5e2 0 1\n0 4E+02 3E+04 1 1E3\n0 1.28E+05 1E+07 1 1E+06\n"
            "0 0 5E+09 1 1E+09\n";
        const std::string commas =
            "100,0,1,20,0,1,0,20,500,0,1,0,400,30000,1,1000,0,128000,10000000,1,1000000,0,0,"
            "5000000000,1,1000000000";
        const std::string extra = std::string(kFreshFile) + " 42  junk \r\n";
        const std::string byteOrderMark = "\xEF\xBB\xBF" + std::string(kFreshFile);

        for (const std::string& text : {oneLine, zones, lfOnly, exponents, commas, extra, byteOrderMark}) {
            const auto got = ReadSaveFile(text, base);
            QVERIFY2(got, text.c_str());
            QCOMPARE(*got, fresh);
        }
    }

    void numberForms() {
        const GameState fresh = FreshGame();
        auto collectedOf = [&](const std::string& first) {
            std::string text(kFreshFile);
            text.replace(0, 5, first);
            const auto got = ReadSaveFile(text, fresh);
            return got ? got->collected : std::nan("");
        };
        QCOMPARE(collectedOf(" .5 "), 0.5);
        QCOMPARE(collectedOf("-.5"), -0.5);
        QCOMPARE(collectedOf("+7"), 7.0);
        QCOMPARE(collectedOf("1E-05"), 1e-05);
        QCOMPARE(collectedOf("26.62"), 26.62);
        QVERIFY(std::isnan(collectedOf("abc")));
        QVERIFY(std::isnan(collectedOf("inf")));
        QVERIFY(std::isnan(collectedOf("nan")));
        QVERIFY(std::isnan(collectedOf("1e999")));
        QVERIFY(std::isnan(collectedOf("0x10")));
        QVERIFY(std::isnan(collectedOf("+-1")));
        QVERIFY(std::isnan(collectedOf("1.5.2")));
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("only blanks") << QByteArray("  \r\n \r\n");
        QTest::newRow("only line 1") << QByteArray(" 100 \r\n");
        QTest::newRow("ends before the 26th value")
            << QByteArray(kFreshFile).left(QByteArray(kFreshFile).lastIndexOf(" 1000000000"));
        auto with = [](const char* from, const char* to) {
            QByteArray t(kFreshFile);
            const qsizetype at = t.indexOf(from);
            if (at < 0) qFatal("test text not found: %s", from);
            return t.replace(at, qsizetype(strlen(from)), to);
        };
        QTest::newRow("count above 32767") << with(" 0  1  20 ", " 32768  1  20 ");
        QTest::newRow("negative count") << with(" 0  1  20 ", "-1  1  20 ");
        QTest::newRow("fractional count") << with(" 0  1  20 ", " 1.5  1  20 ");
        QTest::newRow("negative rate") << with(" 0  20  500 ", " 0 -20  500 ");
        QTest::newRow("rate above 32 bits") << with(" 0  20  500 ", " 0  2147483648  500 ");
        QTest::newRow("negative price") << with(" 0  20  500 ", " 0  20 -500 ");
        QTest::newRow("price not finite") << with(" 0  20  500 ", " 0  20  1E+999 ");
        QTest::newRow("suffix length 2") << with(" 30000  1  1000 ", " 30000  2  1000 ");
        QTest::newRow("unit 0") << with(" 30000  1  1000 ", " 30000  1  0 ");
        QTest::newRow("unit 10") << with(" 30000  1  1000 ", " 30000  1  10 ");
        QTest::newRow("letters") << with(" 400 ", " four ");
        QTest::newRow("collected not a number") << with(" 100 ", " 1OO ");
        QTest::newRow("decimal comma") << with(" 100 ", " 99,5 ");
        QTest::newRow("empty field between commas") << QByteArray("100,,0");
        QTest::newRow("byte-order mark after a blank") << " \xEF\xBB\xBF" + QByteArray(kFreshFile);
        QTest::newRow("two byte-order marks") << "\xEF\xBB\xBF\xEF\xBB\xBF" + QByteArray(kFreshFile);
        QTest::newRow("byte-order mark before a later field") << with(" 400 ", " \xEF\xBB\xBF" "400 ");
        QTest::newRow("per second above 32 bits")
            << with(" 0  128000  10000000 ", " 32767  128000  10000000 ");
    }
    void refusals() {
        QFETCH(QByteArray, text);
        GameState current = FreshGame();
        current.collected = 3.25;
        current.farmCount[1] = 4;
        QVERIFY(!ReadSaveFile(std::string_view(text.constData(), size_t(text.size())), current));
    }
};

QTEST_APPLESS_MAIN(TestSaveFile)
#include "tst_savefile.moc"
