// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The alien ending, the erase button, and the Help menu's boxes.
#include <QtTest>

#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>

#include "window_fixture.h"

using namespace vusk;

namespace {

std::vector<int> Shown(const frmVuskSandwich& w) {
    std::vector<int> shown;
    for (size_t i = 0; i < w.lblCinematic.size(); ++i)
        if (w.lblCinematic[i]->isVisibleTo(w.fraCinematic)) shown.push_back(int(i));
    return shown;
}

}  // namespace

class TestWindowEnding : public QObject {
    Q_OBJECT

    WindowFixture f;
    std::unique_ptr<QTemporaryDir> dir;

    void buyUfo() {
        f.w->state.collected = 5e9;
        f.w->btnPurchase_Click(4);
    }

    QString other() const { return dir->filePath("other.txt"); }

    // With a vusk_save.txt in the current folder that the player never
    // picked, and other.txt, which is no save: after `before` and the whole
    // ending, the erase button closes the window and leaves both.
    void expectEraseKeeps(const std::function<void()>& before) {
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir->path()));
        for (const auto& [name, text] : {std::pair{"vusk_save.txt", "keep me"}, std::pair{"other.txt", "not a save"}}) {
            QFile file(dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        before();
        buyUfo();
        f.w->btnErase_Click();
        QVERIFY(!f.w->isVisible());
        QVERIFY(QFile::exists(dir->filePath("vusk_save.txt")));
        QVERIFY(QFile::exists(other()));
        QDir::setCurrent(previous);
    }

private slots:
    void init() {
        f.create();
        f.w->tmrTick->start();
        f.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.w.get()));
        dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() {
        f.w.reset();
        dir.reset();
    }

    void ufoNeedsItsFullPrice() {
        f.w->btnNewGame_Click();
        f.w->state.collected = 5e9 - 0.5;
        f.w->btnPurchase[4]->click();
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Not enough vusk"));
        QVERIFY(f.w->fraCinematic->isHidden());
        QVERIFY(f.w->tmrTick->isActive());
    }

    void startingTheEnding() {
        f.w->btnNewGame_Click();
        f.setState([](GameState& s) {
            s.farmCount[0] = 3;
            s.collected = 5e9;
        });
        f.w->tmrTick_Timer();
        const QString counter = f.w->lblCounter->text();
        const QString ufoCount = f.w->lblFarmCount[4]->text();
        const GameState before = f.w->state;
        f.w->btnPurchase[4]->click();

        QVERIFY(f.boxes.empty());
        QVERIFY(!f.w->tmrTick->isActive());
        for (QMenu* m : {f.w->mnuFile, f.w->mnuPurchase, f.w->mnuHelp}) QVERIFY(!m->menuAction()->isEnabled());
        QVERIFY(f.w->fraCinematic->isVisible());
        QVERIFY(Shown(*f.w).empty());
        QVERIFY(!f.w->btnErase->isVisible());
        QVERIFY(f.w->tmrCinematic->isActive());
        QCOMPARE(f.w->tmrCinematic->interval(), 1800);
        QCOMPARE(f.w->state, before);  // nothing paid, no UFO counted
        QCOMPARE(f.w->lblFarmCount[4]->text(), ufoCount);
        QCOMPARE(f.w->lblFarmPrice[4]->text(), QStringLiteral("k5B"));
        QCOMPARE(f.w->lblPerSecond->text(), QStringLiteral(" 3 per second"));
        // The ending frame is what the player sees, everywhere.
        QWidget* top = f.w->centralWidget()->childAt(f.w->btnPurchase[0]->geometry().center());
        QVERIFY(top == f.w->fraCinematic || f.w->fraCinematic->isAncestorOf(top));

        // Production has stopped: time passes, the amount stays.
        QTest::qWait(60);
        QCOMPARE(f.w->state.collected, before.collected);
        QCOMPARE(f.w->lblCounter->text(), counter);
    }

    // The ending timer's own event, at a moment of the fake clock.
    void fireAt(double seconds) {
        f.now = seconds;
        QVERIFY(QMetaObject::invokeMethod(f.w->tmrCinematic, "timeout"));
    }

    void revealSequence() {
        // Each event when due, counted from the purchase; the timer may wake
        // a little early, and then waits out the rest.
        const double bought = f.now;
        buyUfo();
        const std::vector<int> dueMs = {1800, 9800, 17800, 22800, 26800, 34800, 45800, 46800, 47800, 50800};
        for (size_t step = 0; step < dueMs.size(); ++step) {
            const double due = bought + dueMs[step] / 1000.0;
            fireAt(due - 0.002);
            QCOMPARE(Shown(*f.w).size(), step);
            QCOMPARE(f.w->tmrCinematic->interval(), 2);
            fireAt(due);
            if (step < 9) {
                std::vector<int> expected(step + 1);
                std::iota(expected.begin(), expected.end(), 0);
                QCOMPARE(Shown(*f.w), expected);
                QVERIFY(f.w->tmrCinematic->isActive());
                QVERIFY(!f.w->btnErase->isVisible());
                QCOMPARE(f.w->state.cinematicStep, int16_t(step + 1));
            }
        }
        QCOMPARE(Shown(*f.w).size(), size_t(9));
        QVERIFY(f.w->btnErase->isVisible());
        QVERIFY(!f.w->tmrCinematic->isActive());
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 100"));  // the last tick's
        QCOMPARE(f.w->lblCinematic[7]->text(), QStringLiteral("TOTAL VUSK: 0"));
        QVERIFY(f.w->lblCinematic[8]->font().bold());
        QCOMPARE(QApplication::focusWidget(), f.w->btnErase);
    }

    void lateEventsDoNotAddUp() {
        const double bought = f.now;
        buyUfo();
        fireAt(bought + 1.8 + 0.030);  // the first event comes 30 ms late
        QCOMPARE(Shown(*f.w).size(), size_t(1));
        // 7970 ms are left; the timer wakes early by what the system may add to such a wait.
        QCOMPARE(f.w->tmrCinematic->interval(), 7970 - 8);
        fireAt(bought + 9.8 - 0.002);  // the second is still due at 9.8 s
        QCOMPARE(Shown(*f.w).size(), size_t(1));
        fireAt(bought + 9.8);
        QCOMPARE(Shown(*f.w).size(), size_t(2));
        fireAt(bought + 60);  // a stall past the next two: each comes at once
        QCOMPARE(Shown(*f.w).size(), size_t(3));
        QCOMPARE(f.w->tmrCinematic->interval(), 0);
    }

    void realTimerRunsTheStory() {
        // The whole story on the real timer and clock, with every delay shortened.
        f.w->setClock(MonotonicSeconds);
        for (QLabel* caption : f.w->lblCinematic) caption->setProperty("Tag", QStringLiteral("5"));
        f.w->tmrCinematic->setInterval(5);
        buyUfo();
        QTRY_VERIFY_WITH_TIMEOUT(f.w->btnErase->isVisible(), 3000);
        QCOMPARE(Shown(*f.w).size(), size_t(9));
        QVERIFY(!f.w->tmrCinematic->isActive());
    }

    void theEndingCannotBeDisturbed() {
        buyUfo();
        f.w->tmrCinematic_Timer();
        f.w->tmrCinematic_Timer();
        const GameState before = f.w->state;
        const int interval = f.w->tmrCinematic->interval();

        // Another UFO request, a purchase, the menu items and their shortcuts.
        f.w->btnPurchase_Click(4);
        f.w->btnPurchase_Click(0);
        f.w->mnuUfo->trigger();
        f.w->mnuCob->trigger();
        f.w->mnuSave->trigger();
        f.w->mnuLoad->trigger();
        f.w->mnuSeekHelp->trigger();
        QTest::keyClick(f.w.get(), Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(f.w.get(), Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(f.w.get(), Qt::Key_Q, Qt::ControlModifier);
        // The covered buttons, from the keyboard.
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(f.w.get(), Qt::Key_Tab);
            if (QApplication::focusWidget()) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        }

        QVERIFY(f.w->isVisible());
        QVERIFY(f.boxes.empty());
        QCOMPARE(f.w->state, before);
        QCOMPARE(Shown(*f.w), (std::vector<int>{0, 1}));
        QVERIFY(f.w->tmrCinematic->isActive());
        QCOMPARE(f.w->tmrCinematic->interval(), interval);
        for (QPushButton* b : f.w->btnPurchase) QVERIFY(!b->isEnabled());
        QVERIFY(!f.w->btnNewGame->isEnabled());
    }

    void eraseAConfirmedSaveFile() {
        const QString path = dir->filePath("mine.txt");
        f.choices = {path};
        f.w->mnuSave_Click();
        QVERIFY(QFile::exists(path));
        buyUfo();
        for (int i = 0; i < 10; ++i) f.w->tmrCinematic_Timer();
        const qsizetype boxes = qsizetype(f.boxes.size());
        f.w->btnErase->click();
        QVERIFY(!QFile::exists(path));
        QVERIFY(!f.w->isVisible());
        QCOMPARE(qsizetype(f.boxes.size()), boxes);  // no question, no message
    }

    void eraseAfterALoad() {
        const QString path = dir->filePath("loaded.txt");
        f.choices = {path, path};
        f.w->mnuSave_Click();
        f.w->dlgSaveLoad.setFileName(QString());
        QVERIFY(f.w->LoadGame());
        buyUfo();
        f.w->btnErase_Click();
        QVERIFY(!QFile::exists(path));
    }

    void eraseWithNoDialogEverConfirmed() {
        expectEraseKeeps([] {});
    }
    void eraseAfterACancelledSave() {
        expectEraseKeeps([this] {
            f.choices = {other()};
            f.w->mnuSave_Click();  // a real save into other.txt, then a cancelled one
            f.w->mnuSave_Click();
            QCOMPARE(f.w->dlgSaveLoad.FileName(), dir->filePath("vusk_save.txt"));
        });
    }
    void eraseAfterARefusedLoad() {
        expectEraseKeeps([this] {
            f.choices = {other()};
            QVERIFY(!f.w->LoadGame());
        });
    }
    void eraseAfterAFailedSave() {
        expectEraseKeeps([this] {
            f.choices = {other() + "/inside.txt"};
            f.w->mnuSave_Click();
        });
    }

    void eraseDeletesTheLastFileUsed_data() {
        QTest::addColumn<bool>("saveFails");  // what fails last: a save, or else a load
        QTest::newRow("then a refused load") << false;
        QTest::newRow("then a failed save") << true;
    }
    void eraseDeletesTheLastFileUsed() {
        QFETCH(bool, saveFails);
        const QString a = dir->filePath("a.txt"), b = dir->filePath("b.txt"), c = dir->filePath("c.txt");
        f.choices = {a, b};
        f.w->mnuSave_Click();
        f.w->mnuSave_Click();
        QFile junk(c);
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a save");
        junk.close();

        // Load a, load b, then fail on c.
        f.choices = {a, b};
        QVERIFY(f.w->LoadGame());
        QVERIFY(f.w->LoadGame());
        f.choices = {saveFails ? c + "/inside.txt" : c};
        if (saveFails)
            f.w->mnuSave_Click();
        else
            QVERIFY(!f.w->LoadGame());
        QCOMPARE(f.boxes.back().title, saveFails ? QStringLiteral("Save failed") : QStringLiteral("Load failed"));

        buyUfo();
        f.w->btnErase_Click();
        QVERIFY(!QFile::exists(b));
        QVERIFY(QFile::exists(a));
        QVERIFY(QFile::exists(c));
    }

    void eraseCopesWithAFileThatIsGone() {
        const QString path = dir->filePath("gone.txt");
        f.choices = {path};
        f.w->mnuSave_Click();
        QVERIFY(QFile::remove(path));
        buyUfo();
        f.w->btnErase_Click();
        QVERIFY(!f.w->isVisible());

        // And with one it may not delete: the window closes all the same.
        f.create();
        f.w->show();
        QVERIFY(QDir(dir->path()).mkdir("locked"));
        const QString locked = dir->filePath("locked/save.txt");
        f.choices = {locked};
        f.w->mnuSave_Click();
        QFile::setPermissions(dir->filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
        buyUfo();
        f.w->btnErase_Click();
        QVERIFY(!f.w->isVisible());
        QFile::setPermissions(dir->filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void closeBoxDuringTheEndingDeletesNothing() {
        const QString path = dir->filePath("kept.txt");
        f.choices = {path};
        f.w->mnuSave_Click();
        buyUfo();
        QVERIFY(f.w->close());
        QVERIFY(QFile::exists(path));
    }

    // ---- Help ----

    void about() {
        f.w->mnuAbout->trigger();
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].title, QStringLiteral("About vusk sandwich"));
        QVERIFY(f.boxes[0].prompt.startsWith(
            QStringLiteral("Vusk sandwich is a production by vusk. To learn more, visit our website: ")));
        QVERIFY(f.boxes[0].prompt.endsWith(QStringLiteral("example.org/")));
        QCOMPARE(f.boxes[0].style, mb::OKOnly);
    }

    void seekHelp_data() {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("seriously");  // how many "Seriously, seek help." boxes
        QTest::addColumn<bool>("noEscape");
        using namespace answer;
        QTest::newRow("abort") << QList<int>{Abort} << 1 << false;
        QTest::newRow("retry four times, ignore") << QList<int>{Retry, Retry, Retry, Retry, Ignore} << 5 << false;
        QTest::newRow("retry five times, OK") << QList<int>{Retry, Retry, Retry, Retry, Retry, OK} << 5 << true;
        QTest::newRow("retry five times, cancel") << QList<int>{Retry, Retry, Retry, Retry, Retry, Cancel} << 5 << true;
    }
    void seekHelp() {
        QFETCH(QList<int>, answers);
        QFETCH(int, seriously);
        QFETCH(bool, noEscape);
        for (int round = 0; round < 2; ++round) {  // a new choice starts over
            f.boxes.clear();
            f.answers.assign(answers.begin(), answers.end());
            f.w->mnuSeekHelp->trigger();
            QCOMPARE(f.boxes.size(), size_t(seriously + (noEscape ? 1 : 0)));
            for (int i = 0; i < seriously; ++i) {
                QCOMPARE(f.boxes[size_t(i)].prompt, QStringLiteral("Seriously, seek help."));
                QCOMPARE(f.boxes[size_t(i)].title, QStringLiteral("?"));
                QCOMPARE(f.boxes[size_t(i)].style, mb::AbortRetryIgnore + mb::Critical + mb::DefaultButton2);
            }
            if (noEscape) {
                QCOMPARE(f.boxes.back().prompt, QStringLiteral("There's no escape."));
                QCOMPARE(f.boxes.back().title, QStringLiteral("..."));
                QCOMPARE(f.boxes.back().style, mb::OKCancel + mb::Critical + mb::DefaultButton2);
            }
            QVERIFY(f.answers.empty());
        }
    }

    void messageBoxesAsBuilt_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<QList<int>>("buttons");  // answers of the buttons, left to right on screen
        QTest::addColumn<int>("enter");           // the answer Enter gives
        QTest::addColumn<int>("escape");          // the answer Escape gives
        QTest::addColumn<int>("icon");
        using namespace answer;
        QTest::newRow("OK only") << mb::OKOnly << QList<int>{OK} << OK << OK << int(QMessageBox::NoIcon);
        QTest::newRow("seriously") << mb::AbortRetryIgnore + mb::Critical + mb::DefaultButton2
                                   << QList<int>{Abort, Retry, Ignore} << Retry << Abort << int(QMessageBox::Critical);
        QTest::newRow("no escape") << mb::OKCancel + mb::Critical + mb::DefaultButton2 << QList<int>{OK, Cancel}
                                   << Cancel << Cancel << int(QMessageBox::Critical);
        QTest::newRow("saved") << mb::OKOnly + mb::Information << QList<int>{OK} << OK << OK
                               << int(QMessageBox::Information);
    }
    void messageBoxesAsBuilt() {
        QFETCH(int, style);
        QFETCH(QList<int>, buttons);
        QFETCH(int, enter);
        QFETCH(int, escape);
        QFETCH(int, icon);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            auto box = BuildMessageBox(QStringLiteral("prompt <b>"), style, QStringLiteral("title"), f.w.get());
            QCOMPARE(box->windowTitle(), QStringLiteral("title"));
            QCOMPARE(box->text(), QStringLiteral("prompt <b>"));
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(int(box->icon()), icon);
            box->open();
            QVERIFY(QTest::qWaitForWindowExposed(box.get()));

            QList<QAbstractButton*> onScreen = box->buttons();
            std::sort(onScreen.begin(), onScreen.end(), [](QAbstractButton* a, QAbstractButton* b) {
                return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
            });
            QList<int> answers;
            for (QAbstractButton* b : onScreen) answers << b->property("answer").toInt();
            QCOMPARE(answers, buttons);

            QTest::keyClick(box.get(), key);
            QTRY_VERIFY(!box->isVisible());
            QCOMPARE(AnswerOf(*box), key == Qt::Key_Return ? enter : escape);
        }
    }
};

QTEST_MAIN(TestWindowEnding)
#include "tst_window_ending.moc"
