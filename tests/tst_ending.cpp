// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The ending's story and the steps of its timer.
#include <QtTest>

#include "ending/ending.h"

using namespace vusk;

class TestEnding : public QObject {
    Q_OBJECT

private slots:
    void timeline() {
        // From the purchase: the first caption after the first interval, each
        // next one after the Tag of the caption before it.
        int16_t step = 0;
        int at = kCinematicFirstInterval;
        std::vector<int> shownAt;
        std::vector<int16_t> order;
        for (;;) {
            const CinematicEvent e = NextCinematicEvent(step, kCinematicCaptions);
            if (e.finished) break;
            order.push_back(e.show);
            shownAt.push_back(at);
            const auto interval = TagToInterval(kCinematic[size_t(e.show)].tag);
            QVERIFY(interval);
            at += *interval;
        }
        QCOMPARE(order, (std::vector<int16_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
        QCOMPARE(shownAt, (std::vector<int>{1800, 9800, 17800, 22800, 26800, 34800, 45800, 46800, 47800}));
        QCOMPARE(at, 50800);  // the erase button
        QCOMPARE(step, int16_t(9));
        // Once finished it stays finished.
        QVERIFY(NextCinematicEvent(step, kCinematicCaptions).finished);
        QCOMPARE(step, int16_t(9));
    }

    void tags() {
        QCOMPARE(TagToInterval("8000"), std::optional<int>(8000));
        QCOMPARE(TagToInterval("1500.9"), std::optional<int>(1500));
        QVERIFY(!TagToInterval(""));
        QVERIFY(!TagToInterval("soon"));
        QVERIFY(!TagToInterval("-5"));
        QVERIFY(!TagToInterval("1e12"));
    }
};

QTEST_APPLESS_MAIN(TestEnding)
#include "tst_ending.moc"
