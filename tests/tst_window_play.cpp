// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Playing: the tick, the start screen, purchases and quitting.
#include <QtTest>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include <cmath>
#include <limits>
#include <map>

#include "window_fixture.h"

using namespace vusk;

class TestWindowPlay : public QObject {
    Q_OBJECT

    WindowFixture f;

    // The quit commands run inside the application's event loop, which must
    // then end by itself; a stuck loop is ended with code 99.
    void expectQuitBy(const std::function<void()>& command) {
        f.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
        QTimer::singleShot(0, f.w.get(), command);
        QTimer::singleShot(5000, qApp, [] { qApp->exit(99); });
        QCOMPARE(qApp->exec(), 0);
        QVERIFY(!f.w->isVisible());
        QVERIFY(f.boxes.empty());  // no question asked
    }

private slots:
    void init() { f.create(); }
    void cleanup() { f.w.reset(); }

    void freshGameTicksNothing() {
        f.run(5, 0.02);
        QCOMPARE(f.w->state.collected, 100.0);
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 100"));
    }

    void productionFollowsTheClock_data() {
        QTest::addColumn<double>("step");
        QTest::newRow("20 ms") << 0.02;
        QTest::newRow("late timer, 250 ms") << 0.25;
        QTest::newRow("one long gap") << 10.0;
    }
    void productionFollowsTheClock() {
        QFETCH(double, step);
        f.setState([](GameState& s) {
            s.collected = 80;
            s.farmCount[0] = 1;
        });
        const QString perSecond = f.w->lblPerSecond->text();
        f.run(10, step);
        QVERIFY2(std::abs(f.w->state.collected - 90) < 1e-6, qPrintable(QString::number(f.w->state.collected)));
        QCOMPARE(f.w->lblPerSecond->text(), perSecond);  // ticks leave it alone
    }

    void firstTickCountsFromCreation() {
        // Producers owned before the first tick earn only for the time since
        // the window was created, not since some epoch of the clock.
        f.w->state.farmCount[1] = 1;  // 20 per second
        f.now += 0.5;
        f.w->tmrTick_Timer();
        QCOMPARE(f.w->state.collected, 110.0);
    }

    void clockCrossingMidnight() {
        // The clock is monotonic: a tick is the true time since the last one,
        // whatever the time of day did meanwhile.
        f.w->state.farmCount[0] = 3;
        f.now = 86399.99;
        f.w->setClock([this] { return f.now; });
        f.now += 0.04;
        f.w->tmrTick_Timer();
        QVERIFY(std::abs(f.w->state.collected - 100.12) < 1e-6);
    }

    void counterRoundsDown() {
        f.w->state.collected = 99.99;
        f.w->tmrTick_Timer();
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 99"));
        f.w->state.collected = 1e15;
        f.w->tmrTick_Timer();
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 1E+15"));
    }

    void newGameUncoversTheRunningGame() {
        // Bought from the menu behind the start screen, then ticked.
        f.w->mnuCob->trigger();
        QVERIFY(!f.w->fraNewOrLoad->isHidden());
        QCOMPARE(f.w->state.farmCount[0], int16_t(1));
        QCOMPARE(f.w->lblFarmCount[0]->text(), QStringLiteral(" 1x"));
        f.run(2, 0.25);
        f.w->btnNewGame->click();
        QVERIFY(f.w->fraNewOrLoad->isHidden());
        QVERIFY(std::abs(f.w->state.collected - 82) < 1e-6);
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 82"));
        QVERIFY(f.boxes.empty());
    }

    void firstCobPurchase() {
        f.w->btnNewGame_Click();
        f.w->btnPurchase[0]->click();
        QCOMPARE(f.w->state.collected, 80.0);
        QCOMPARE(f.w->lblFarmCount[0]->text(), QStringLiteral(" 1x"));
        QCOMPARE(f.w->lblFarmPrice[0]->text(), QStringLiteral("k22"));
        QCOMPARE(f.w->lblPerSecond->text(), QStringLiteral(" 1 per second"));
        // The counter shows the new amount from the next tick on.
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 100"));
        f.w->tmrTick_Timer();
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 80"));
    }

    void notEnoughVusk() {
        f.w->btnNewGame_Click();
        const GameState before = f.w->state;
        f.w->lblPerSecond->setText(QStringLiteral("stale"));
        f.w->btnPurchase[1]->click();
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("You don't have enough vusk to buy that."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Not enough vusk"));
        QCOMPARE(f.boxes[0].style, mb::OKOnly);
        QCOMPARE(f.w->state, before);
        QCOMPARE(f.w->lblFarmCount[1]->text(), QStringLiteral("0x"));
        QCOMPARE(f.w->lblFarmPrice[1]->text(), QStringLiteral("k500"));
        QCOMPARE(f.w->lblPerSecond->text(), QStringLiteral(" 0 per second"));  // rewritten all the same
    }

    void exactPriceLeavesZero() {
        f.w->state.collected = 500;
        f.w->btnPurchase_Click(1);
        QCOMPARE(f.w->state.collected, 0.0);
        QCOMPARE(f.w->lblFarmPrice[1]->text(), QStringLiteral("k550"));
        QCOMPARE(f.w->lblPerSecond->text(), QStringLiteral(" 20 per second"));
    }

    void unitsOfMazeAndHarvester() {
        f.w->state.collected = 1e9;
        f.w->btnPurchase_Click(2);
        f.w->btnPurchase_Click(3);
        QCOMPARE(f.w->lblFarmPrice[2]->text(), QStringLiteral("k33k"));
        QCOMPARE(f.w->lblFarmPrice[3]->text(), QStringLiteral("k11M"));
        QCOMPARE(f.w->lblPerSecond->text(), QStringLiteral(" 128400 per second"));
        QCOMPARE(f.w->state.collected, 1e9 - 30000 - 10000000);
    }

    void menuPurchaseIsTheButtonsPurchase() {
        WindowFixture other;
        other.create();
        f.w->state.collected = other.w->state.collected = 50000;
        f.w->mnuMaze->trigger();
        other.w->btnNewGame_Click();
        other.w->btnPurchase[2]->click();
        QCOMPARE(f.w->state, other.w->state);
        QCOMPARE(f.w->lblFarmPrice[2]->text(), other.w->lblFarmPrice[2]->text());
        QCOMPARE(f.w->lblFarmCount[2]->text(), other.w->lblFarmCount[2]->text());
        QCOMPARE(f.w->lblPerSecond->text(), other.w->lblPerSecond->text());

        // Each item buys its own producer.
        const std::vector<QAction*> items = {f.w->mnuCob, f.w->mnuField, f.w->mnuMaze, f.w->mnuHarvester};
        f.w->state.collected = 1e9;
        for (size_t i = 0; i < items.size(); ++i) {
            const int16_t before = f.w->state.farmCount[i];
            items[i]->trigger();
            QCOMPARE(f.w->state.farmCount[i], int16_t(before + 1));
        }
    }

    void tooMany() {
        f.w->state.collected = 1e300;
        f.w->state.farmCount[0] = 32767;
        const GameState before = f.w->state;
        f.w->btnPurchase_Click(0);
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("You can't own any more of those."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Too many"));
        QCOMPARE(f.boxes[0].style, mb::OKOnly);
        QCOMPARE(f.w->state, before);
        QCOMPARE(f.w->lblFarmCount[0]->text(), QStringLiteral("0x"));

        f.w->state.farmCount[0] = 0;
        f.w->state.farmCount[3] = 16777;  // 2147456000 per second
        f.w->btnPurchase_Click(3);
        QCOMPARE(f.boxes.size(), size_t(2));
        QCOMPARE(f.w->state.farmCount[3], int16_t(16777));
        f.w->btnPurchase_Click(2);  // 400 more still fit
        QCOMPARE(f.w->state.farmCount[2], int16_t(1));
        QCOMPARE(f.w->lblPerSecond->text(), QStringLiteral(" 2147456400 per second"));
    }

    void aTickRepaintsOnlyTheCounter() {
        // Only the counter's caption changes on a tick; its neighbours, whose
        // boxes touch it, keep their pixels.
        f.w->btnNewGame_Click();
        f.setState([](GameState& s) { s.farmCount = {10, 5, 3, 2, 0}; });

        struct PaintCounter : QObject {
            std::map<QString, int> paints;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Paint) ++paints[o->objectName()];
                return false;
            }
        } counter;
        const QList<QLabel*> labels = f.w->gameLayer->findChildren<QLabel*>();
        QVERIFY(labels.size() > 20);
        for (QLabel* l : labels) l->installEventFilter(&counter);
        f.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
        QTRY_VERIFY(counter.paints[QStringLiteral("Label1")] > 0);  // the first frame
        QTest::qWait(20);
        counter.paints.clear();

        for (int tick = 1; tick <= 5; ++tick) {
            const QString before = f.w->lblCounter->text();
            f.run(0.02, 0.02);
            QVERIFY(f.w->lblCounter->text() != before);
            QTRY_COMPARE(counter.paints[QStringLiteral("lblCounter")], tick);
        }
        QTest::qWait(20);
        for (const auto& [name, n] : counter.paints)
            if (name != QLatin1String("lblCounter")) QVERIFY2(n == 0, qPrintable(name + " repainted"));
    }

    void fileQuitOnTheStartScreen() {
        expectQuitBy([this] { f.w->mnuQuit->trigger(); });
    }
    void ctrlQDuringPlay() {
        expectQuitBy([this] {
            f.w->btnNewGame_Click();
            QTest::keyClick(f.w.get(), Qt::Key_Q, Qt::ControlModifier);
        });
    }
    void closeBox() {
        expectQuitBy([this] { f.w->close(); });
    }
};

QTEST_MAIN(TestWindowPlay)
#include "tst_window_play.moc"
