// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The economy's rules: captions, number to text, production and purchases.
#include <QtTest>

#include <cmath>
#include <limits>

#include "fresh_game.h"

using namespace vusk;

namespace {

const PerFarm<std::string> kPriceCaptions = DesignCaptions("lblFarmPrice");
const PerFarm<std::string> kRateCaptions = DesignCaptions("lblFunction");

}  // namespace

class TestGame : public QObject {
    Q_OBJECT

private slots:
    void priceCaptions_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("price");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("suffixLen");
        QTest::newRow("plain") << "k20" << true << 20.0 << 1 << 0;
        QTest::newRow("ends in a zero, no unit") << "k500" << true << 500.0 << 1 << 0;
        QTest::newRow("thousands") << "k30k" << true << 30000.0 << 1000 << 1;
        QTest::newRow("millions") << "k10M" << true << 10000000.0 << 1000000 << 1;
        QTest::newRow("thousand millions") << "k5B" << true << 5e9 << 1000000000 << 1;
        QTest::newRow("fraction rounded down") << "k2.9k" << true << 2000.0 << 1000 << 1;
        QTest::newRow("upper-case K is no unit") << "k30K" << false << 0.0 << 0 << 0;
        QTest::newRow("lower-case m is no unit") << "k10m" << false << 0.0 << 0 << 0;
        QTest::newRow("lower-case b is no unit") << "k5b" << false << 0.0 << 0 << 0;
        QTest::newRow("no digits before the unit") << "kk" << false << 0.0 << 0 << 0;
        QTest::newRow("prefix only") << "k" << false << 0.0 << 0 << 0;
        QTest::newRow("empty") << "" << false << 0.0 << 0 << 0;
    }
    void priceCaptions() {
        QFETCH(QString, caption);
        QFETCH(bool, valid);
        const auto parsed = ParsePriceCaption(caption.toStdString());
        QCOMPARE(parsed.has_value(), valid);
        if (!valid) return;
        QFETCH(double, price);
        QFETCH(int, unit);
        QFETCH(int, suffixLen);
        QCOMPARE(parsed->price, price);
        QCOMPARE(parsed->unit, unit);
        QCOMPARE(parsed->suffixLen, suffixLen);
    }

    void rateCaptions() {
        QCOMPARE(ParseRateCaption("1/s"), std::optional<int32_t>(1));
        QCOMPARE(ParseRateCaption("128000/s"), std::optional<int32_t>(128000));
        QCOMPARE(ParseRateCaption("?\?\?\?/s"), std::optional<int32_t>(0));
        QCOMPARE(ParseRateCaption("?"), std::optional<int32_t>(0));
        QVERIFY(!ParseRateCaption("/s"));
        QVERIFY(!ParseRateCaption("x/s"));
        QVERIFY(!ParseRateCaption("99999999999/s"));
        QVERIFY(!ParseRateCaption(""));
    }

    void freshGame() {
        GameState s;
        s.lastTick = 12.5;
        s.cinematicStep = 7;
        s.collected = -3;
        NewGame(s, kPriceCaptions, kRateCaptions);
        QCOMPARE(s.collected, 100.0);
        QCOMPARE(s.farmTypes, int16_t(5));
        QCOMPARE(s.cinematicStep, int16_t(0));
        QCOMPARE(s.lastTick, 12.5);  // untouched
        QCOMPARE(s.farmCount, (PerFarm<int16_t>{0, 0, 0, 0, 0}));
        QCOMPARE(s.farmPrice, (PerFarm<double>{20, 500, 30000, 10000000, 5e9}));
        QCOMPARE(s.farmRate, (PerFarm<int32_t>{1, 20, 400, 128000, 0}));
        QCOMPARE(s.priceUnit, (PerFarm<int32_t>{1, 1, 1000, 1000000, 1000000000}));
        QCOMPARE(s.priceSuffixLen, (PerFarm<int16_t>{0, 0, 1, 1, 1}));
    }

    void cobIsAlwaysOnePerSecondForTwenty() {
        PerFarm<std::string> prices = kPriceCaptions, rates = kRateCaptions;
        prices[0] = "k999k";
        rates[0] = "55/s";
        GameState s;
        NewGame(s, prices, rates);
        QCOMPARE(s.farmRate[0], 1);
        QCOMPARE(s.farmPrice[0], 20.0);
        QCOMPARE(s.priceUnit[0], 1000);  // the unit still comes from the caption
    }

    void malformedCaptionIsRefused() {
        PerFarm<std::string> prices = kPriceCaptions;
        prices[2] = "k30K";
        GameState s;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, NewGame(s, prices, kRateCaptions));
    }

    void numberToText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << " 0";
        QTest::newRow("negative zero") << -0.0 << " 0";
        QTest::newRow("hundred") << 100.0 << " 100";
        QTest::newRow("negative") << -42.0 << "-42";
        QTest::newRow("ten digits") << 5e9 << " 5000000000";
        QTest::newRow("last plain") << 999999999999999.0 << " 999999999999999";
        QTest::newRow("first exponent") << 1e15 << " 1E+15";
        QTest::newRow("15 significant digits") << 1.23456789012345678e17 << " 1.23456789012346E+17";
        QTest::newRow("negative exponent form") << -2.5e20 << "-2.5E+20";
        QTest::newRow("three exponent digits") << 1e300 << " 1E+300";
        QTest::newRow("fraction") << 24.200000000000003 << " 24.2";
        QTest::newRow("fraction 2") << 26.620000000000005 << " 26.62";
        QTest::newRow("below one") << 0.5 << " 0.5";
        QTest::newRow("smallest plain") << 0.0001 << " 0.0001";
        QTest::newRow("small") << 0.00001 << " 1E-05";
        QTest::newRow("small 2") << 0.000037 << " 3.7E-05";
        QTest::newRow("rounds up to plain") << 0.000099999999999999999 << " 0.0001";
        QTest::newRow("rounds up to exponent") << 999999999999999.9 << " 1E+15";
    }
    void numberToText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(NumberToText(value)), text);
    }

    void captions() {
        QCOMPARE(QString::fromStdString(CounterCaption(99.99)), QStringLiteral(" 99"));
        QCOMPARE(QString::fromStdString(CounterCaption(100)), QStringLiteral(" 100"));
        QCOMPARE(QString::fromStdString(CounterCaption(1e15 + 0.5)), QStringLiteral(" 1E+15"));
        QCOMPARE(QString::fromStdString(PerSecondCaption(0)), QStringLiteral(" 0 per second"));
        QCOMPARE(QString::fromStdString(FarmCountCaption(1)), QStringLiteral(" 1x"));
        QCOMPARE(QString::fromStdString(FarmPriceCaption(24.2, 1, 0, "k22")), QStringLiteral("k24"));
        QCOMPARE(QString::fromStdString(FarmPriceCaption(33000.000000000004, 1000, 1, "k30k")),
                 QStringLiteral("k33k"));
        QCOMPARE(QString::fromStdString(FarmPriceCaption(11000000.000000002, 1000000, 1, "k10M")),
                 QStringLiteral("k11M"));
        // The unit letter is whatever the label ends with.
        QCOMPARE(QString::fromStdString(FarmPriceCaption(5e9, 1000000000, 1, "k5B")), QStringLiteral("k5B"));
        QCOMPARE(QString::fromStdString(FarmPriceCaption(2e18, 1, 0, "k20")), QStringLiteral("k2E+18"));
    }

    void perSecond() {
        GameState s = FreshGame();
        QCOMPARE(CalculatePerSecond(s), 0);
        s.farmCount = {3, 2, 1, 1, 0};
        QCOMPARE(CalculatePerSecond(s), 3 * 1 + 2 * 20 + 400 + 128000);

        // At the edge of 32 bits the total is exact; one more does not fit.
        s.farmCount = {0, 0, 0, 16777, 0};
        s.farmRate[3] = 128000;
        s.farmCount[0] = 0;
        const int64_t edge = int64_t(16777) * 128000;
        QCOMPARE(int64_t(CalculatePerSecond(s)), edge);
        s.farmRate[0] = int32_t(std::numeric_limits<int32_t>::max() - edge);
        s.farmCount[0] = 1;
        QCOMPARE(CalculatePerSecond(s), std::numeric_limits<int32_t>::max());
        s.farmCount[0] = 2;
        QVERIFY(!TryCalculatePerSecond(s));
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, CalculatePerSecond(s));

        // A single product out of range, even if a later term were negative.
        s = FreshGame();
        s.farmRate[1] = std::numeric_limits<int32_t>::max();
        s.farmCount[1] = 2;
        s.farmRate[2] = std::numeric_limits<int32_t>::min();
        s.farmCount[2] = 1;
        QVERIFY(!TryCalculatePerSecond(s));
    }

    void production() {
        GameState s = FreshGame();
        s.collected = 80;
        s.farmCount[0] = 1;
        for (int i = 0; i < 500; ++i) AddProduction(s, 0.02);
        QVERIFY(std::abs(s.collected - 90) < 1e-9);

        s.farmCount = {0, 0, 0, 0, 0};
        AddProduction(s, 3600);
        QVERIFY(std::abs(s.collected - 90) < 1e-9);  // nothing owned, nothing made

        // At the top of the range the amount stays finite.
        s.farmCount[3] = 100;
        s.collected = std::numeric_limits<double>::max() * 0.999;
        AddProduction(s, 1e300);
        QCOMPARE(s.collected, std::numeric_limits<double>::max());
    }

    void cobPriceSequence() {
        GameState s = FreshGame();
        s.collected = 1000;
        const double expected[] = {20, 22, 24.2, 26.62, 29.282, 32.2102};
        const char* labels[] = {"k22", "k24", "k26", "k29", "k32"};
        std::string caption = "k20";
        for (int n = 0; n < 5; ++n) {
            QVERIFY(std::abs(s.farmPrice[0] - expected[n]) < 1e-9);
            const double before = s.collected;
            const double price = s.farmPrice[0];
            QCOMPARE(Purchase(s, 0), PurchaseResult::Bought);
            QCOMPARE(s.collected, before - price);  // the exact price, fraction and all
            QCOMPARE(s.farmPrice[0], price * 1.1);  // unrounded
            QCOMPARE(s.farmCount[0], int16_t(n + 1));
            caption = FarmPriceCaption(s.farmPrice[0], s.priceUnit[0], s.priceSuffixLen[0], caption);
            QCOMPARE(QString::fromStdString(caption), QString::fromLatin1(labels[n]));
        }
        QVERIFY(std::abs(s.farmPrice[0] - expected[5]) < 1e-9);
        QCOMPARE(s.farmPrice[0], 20 * 1.1 * 1.1 * 1.1 * 1.1 * 1.1);
    }

    void affordability() {
        GameState s = FreshGame();
        s.collected = 24;
        s.farmPrice[0] = 24.200000000000003;  // shown as k24
        const GameState before = s;
        QCOMPARE(Purchase(s, 0), PurchaseResult::NotEnough);
        QCOMPARE(s, before);

        s.collected = s.farmPrice[0];  // exactly the price
        QCOMPARE(Purchase(s, 0), PurchaseResult::Bought);
        QCOMPARE(s.collected, 0.0);

        s = FreshGame();
        QCOMPARE(Purchase(s, 1), PurchaseResult::NotEnough);
        QCOMPARE(s, FreshGame());
    }

    void ufoEndsTheGameWithoutPaying() {
        GameState s = FreshGame();
        s.collected = 5e9 - 0.001;
        QCOMPARE(Purchase(s, kUfoIndex), PurchaseResult::NotEnough);
        s.collected = 5e9;
        const GameState before = s;
        QCOMPARE(Purchase(s, kUfoIndex), PurchaseResult::Ending);
        QCOMPARE(s, before);
    }

    void mazeKeepsItsUnit() {
        GameState s = FreshGame();
        s.collected = 1e12;
        std::string caption = "k30k";
        for (int n = 0; n < 80; ++n) {
            QCOMPARE(Purchase(s, 2), PurchaseResult::Bought);
            caption = FarmPriceCaption(s.farmPrice[2], s.priceUnit[2], s.priceSuffixLen[2], caption);
            if (n == 0) QCOMPARE(QString::fromStdString(caption), QStringLiteral("k33k"));
            if (n == 1) QCOMPARE(QString::fromStdString(caption), QStringLiteral("k36k"));
        }
        QCOMPARE(QString::fromStdString(caption), QStringLiteral("k61452k"));
    }

    void limitsRefuseThePurchase() {
        GameState s = FreshGame();
        s.collected = 1e300;
        s.farmCount[0] = std::numeric_limits<int16_t>::max();
        GameState before = s;
        QCOMPARE(Purchase(s, 0), PurchaseResult::TooMany);
        QCOMPARE(s, before);

        // The per-second total would leave 32 bits.
        s = FreshGame();
        s.collected = 1e300;
        s.farmCount[3] = 16777;
        s.farmRate[0] = std::numeric_limits<int32_t>::max() - 16777 * 128000;
        s.farmCount[0] = 1;
        s.farmPrice[3] = 1;
        before = s;
        QCOMPARE(Purchase(s, 3), PurchaseResult::TooMany);
        QCOMPARE(s, before);
        QCOMPARE(Purchase(s, 1), PurchaseResult::TooMany);  // 20 more per second don't fit either
        s.farmRate[0] -= 20;
        QCOMPARE(Purchase(s, 1), PurchaseResult::Bought);  // exactly at the top is fine

        // A price that would stop being a finite number.
        s = FreshGame();
        s.collected = std::numeric_limits<double>::max();
        s.farmPrice[1] = std::numeric_limits<double>::max() / 1.05;
        before = s;
        QCOMPARE(Purchase(s, 1), PurchaseResult::TooMany);
        QCOMPARE(s, before);
    }

    void indexOutOfRange() {
        GameState s = FreshGame();
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, Purchase(s, 5));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, Purchase(s, -1));
    }
};

QTEST_APPLESS_MAIN(TestGame)
#include "tst_game.moc"
