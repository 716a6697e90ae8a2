// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window as it is created: layers, controls, fonts, menus and timers.
#include <QtTest>

#include <QAccessible>
#include <QAction>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "window/frmVuskSandwich.h"

using namespace vusk;

namespace {

struct Expected {
    const char* name;  // object name
    const char* parent;
    int left, top, width, height;  // twips
    double points;
    bool right;
    const char* caption;
};

// The window's design, in twips.
const Expected kControls[] = {
    {"Label1", "gameLayer", 120, 120, 2055, 375, 13.5, false, "Vusk collected:"},
    {"lblCounter", "gameLayer", 2160, 120, 3615, 375, 13.5, true, nullptr},
    {"lblPerSecond", "gameLayer", 120, 480, 5655, 255, 9.75, true, nullptr},
    {"Label2(0)", "gameLayer", 120, 1200, 1455, 255, 9.75, false, "Vusk on the cob"},
    {"Label2(1)", "gameLayer", 120, 1800, 855, 255, 9.75, false, "Vusk field"},
    {"Label2(2)", "gameLayer", 120, 2400, 975, 255, 9.75, false, "Vusk maze"},
    {"Label2(3)", "gameLayer", 120, 3000, 1695, 255, 9.75, false, "Vuskbine harvester"},
    {"Label2(4)", "gameLayer", 120, 3600, 975, 255, 9.75, false, "Vusk UFO"},
    {"lblFarmPrice(0)", "gameLayer", 1680, 1200, 1095, 255, 9.75, true, "k20"},
    {"lblFarmPrice(1)", "gameLayer", 1320, 1800, 1455, 255, 9.75, true, "k500"},
    {"lblFarmPrice(2)", "gameLayer", 1320, 2400, 1455, 255, 9.75, true, "k30k"},
    {"lblFarmPrice(3)", "gameLayer", 1920, 3000, 855, 255, 9.75, true, "k10M"},
    {"lblFarmPrice(4)", "gameLayer", 1680, 3600, 1095, 255, 9.75, true, "k5B"},
    {"lblFunction(0)", "gameLayer", 3120, 1200, 615, 255, 9.75, true, "1/s"},
    {"lblFunction(1)", "gameLayer", 3120, 1800, 615, 255, 9.75, true, "20/s"},
    {"lblFunction(2)", "gameLayer", 3120, 2400, 615, 255, 9.75, true, "400/s"},
    {"lblFunction(3)", "gameLayer", 2880, 3000, 855, 255, 9.75, true, "128000/s"},
    {"lblFunction(4)", "gameLayer", 3120, 3600, 615, 255, 9.75, true, "?\?\?\?/s"},
    {"lblFarmCount(0)", "gameLayer", 3840, 1200, 495, 255, 9.75, true, "0x"},
    {"lblFarmCount(1)", "gameLayer", 3840, 1800, 495, 255, 9.75, true, "0x"},
    {"lblFarmCount(2)", "gameLayer", 3840, 2400, 495, 255, 9.75, true, "0x"},
    {"lblFarmCount(3)", "gameLayer", 3840, 3000, 495, 255, 9.75, true, "0x"},
    {"lblFarmCount(4)", "gameLayer", 3840, 3600, 495, 255, 9.75, true, "0x"},
    {"btnPurchase(0)", "gameLayer", 4560, 1080, 1215, 495, 8.25, false, "Purchase"},
    {"btnPurchase(1)", "gameLayer", 4560, 1680, 1215, 495, 8.25, false, "Purchase"},
    {"btnPurchase(2)", "gameLayer", 4560, 2280, 1215, 495, 8.25, false, "Purchase"},
    {"btnPurchase(3)", "gameLayer", 4560, 2880, 1215, 495, 8.25, false, "Purchase"},
    {"btnPurchase(4)", "gameLayer", 4560, 3480, 1215, 495, 8.25, false, "Purchase"},
    {"Label3", "fraNewOrLoad", 480, 960, 2055, 615, 13.5, false, "Sign up now"},
    {"Label4", "fraNewOrLoad", 480, 1320, 2415, 495, 8.25, false, "Earn 100 free vusk to get started."},
    {"btnNewGame", "fraNewOrLoad", 3600, 960, 1695, 735, 9.75, false, "New game"},
    {"Label5", "fraNewOrLoad", 480, 2160, 2055, 615, 13.5, false, "Log in"},
    {"Label6", "fraNewOrLoad", 480, 2520, 2415, 495, 8.25, false,
     "Pick up where you left off, if you already have an account."},
    {"btnLoadGame", "fraNewOrLoad", 3600, 2160, 1695, 735, 9.75, false, "Load game"},
    {"btnErase", "fraCinematic", 3600, 3360, 1575, 495, 8.25, false, "&Erase save file"},
    {"lblCinematic(0)", "fraCinematic", 120, 240, 5535, 495, 8.25, false,
     "Overcome by greed for vusk, you used your savings to sow a field, and after it grew, you burned crop "
     "circles into it."},
    {"lblCinematic(1)", "fraCinematic", 120, 720, 5535, 495, 8.25, false,
     "A great beam of light shot out of the center of the circle, blasting up into the atmosphere, past the "
     "stars, past the planets, out of the solar system."},
    {"lblCinematic(2)", "fraCinematic", 120, 1200, 5535, 255, 8.25, false, "And then the aliens came."},
    {"lblCinematic(3)", "fraCinematic", 120, 1560, 5535, 255, 8.25, false, "You didn't know what you had done."},
    {"lblCinematic(4)", "fraCinematic", 120, 1920, 5535, 495, 8.25, false,
     "You didn't know what they wanted. You didn't know if they were friendly. All you knew is you wanted "
     "vusk. All the vusk in the universe."},
    {"lblCinematic(5)", "fraCinematic", 120, 2400, 5535, 735, 8.25, false,
     "Oh, the aliens had vusk alright. And just like you, they weren't satisfied with the amount they had. "
     "When you lit your beacon, they knew what it meant, and they knew what they had to do."},
    {"lblCinematic(6)", "fraCinematic", 480, 3240, 2415, 255, 8.25, false, "PLANET EARTH DESTROYED."},
    {"lblCinematic(7)", "fraCinematic", 480, 3480, 1335, 255, 8.25, false, "TOTAL VUSK: 0"},
    {"lblCinematic(8)", "fraCinematic", 480, 3720, 1455, 255, 8.25, false, "GAME OVER"},
};

QRect Px(int left, int top, int width, int height) { return QRect(left / 15, top / 15, width / 15, height / 15); }

}  // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT

    std::unique_ptr<frmVuskSandwich> w;

private slots:
    void init() {
        w = std::make_unique<frmVuskSandwich>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() { w.reset(); }

    void window() {
        QCOMPARE(w->objectName(), QStringLiteral("frmVuskSandwich"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Vusk sandwich"));
        QWidget* client = w->centralWidget();
        QCOMPARE(client->size(), QSize(392, 273));
        // The menu bar lies outside the client area.
        QVERIFY(client->geometry().top() >= w->menuBar()->geometry().bottom());
        QCOMPARE(w->fraNewOrLoad->geometry(), QRect(0, 0, 393, 273));
        QCOMPARE(w->fraCinematic->geometry(), QRect(0, 0, 393, 273));
        // The layout is fixed: the window does not grow or shrink.
        QCOMPARE(w->minimumSize(), w->maximumSize());
    }

    void controls() {
        for (const Expected& e : kControls) {
            const QString name = QString::fromLatin1(e.name);
            auto* widget = w->findChild<QWidget*>(name);
            QVERIFY2(widget, e.name);
            QCOMPARE(widget->parentWidget()->objectName(), QString::fromLatin1(e.parent));
            QCOMPARE(widget->geometry(), Px(e.left, e.top, e.width, e.height));
            QCOMPARE(widget->font().pointSizeF(), e.points);
            QCOMPARE(widget->font().bold(), name == QLatin1String("lblCinematic(8)"));
            QCOMPARE(widget->font().family(), QStringLiteral("MS Sans Serif"));
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                if (e.caption) QCOMPARE(label->text(), QString::fromUtf8(e.caption));
                QCOMPARE(bool(label->alignment() & Qt::AlignRight), e.right);
                QVERIFY(label->wordWrap());
                QCOMPARE(label->focusPolicy(), Qt::NoFocus);
            } else {
                auto* button = qobject_cast<QPushButton*>(widget);
                QVERIFY2(button, e.name);
                QCOMPARE(button->text(), QString::fromUtf8(e.caption));
            }
        }
        QCOMPARE(w->lblCinematic[7]->property("Tag").toString(), QStringLiteral("1000"));
        QStringList tags;
        for (QLabel* l : w->lblCinematic) tags << l->property("Tag").toString();
        QCOMPARE(tags, QStringList({"8000", "8000", "5000", "4000", "8000", "11000", "1000", "1000", "3000"}));
    }

    void captionsFitTheirBoxes() {
        // Every fixed caption fits its box in the font actually used.
        for (const Expected& e : kControls) {
            auto* widget = w->findChild<QWidget*>(QString::fromLatin1(e.name));
            QString text = e.caption ? QString::fromUtf8(e.caption) : QString();
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                if (!e.caption) continue;
                const QFontMetrics fm(label->font());
                const QRect need =
                    fm.boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap | label->alignment(), text);
                QVERIFY2(need.width() <= label->width() && need.height() <= label->height(),
                         qPrintable(QStringLiteral("%1 needs %2x%3 in %4x%5")
                                        .arg(e.name)
                                        .arg(need.width())
                                        .arg(need.height())
                                        .arg(label->width())
                                        .arg(label->height())));
                // Boxes one line high hold their caption on one line.
                if (label->height() < 2 * fm.lineSpacing())
                    QVERIFY2(fm.horizontalAdvance(text) <= label->width(), e.name);
            } else {
                auto* button = static_cast<QPushButton*>(widget);
                const QSize hint = button->sizeHint();
                QVERIFY2(hint.width() <= button->width() && QFontMetrics(button->font()).height() < button->height(),
                         e.name);
            }
        }
        // The widest price a player will see in a box.
        const QFontMetrics fm(w->lblFarmPrice[3]->font());
        QVERIFY(fm.horizontalAdvance(QStringLiteral("k99999M")) <= w->lblFarmPrice[3]->width());
    }

    void fontIsMetricCompatible() {
        const QFontInfo info(w->Label2[3]->font());
        if (!QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
            QSKIP("Liberation Sans is not installed");
        QCOMPARE(info.family(), QStringLiteral("Liberation Sans"));
        QVERIFY(!info.italic());
        QVERIFY(!info.fixedPitch());
    }

    void layersAtCreation() {
        QWidget* client = w->centralWidget();
        // Stacking order, bottom to top.
        QCOMPARE(client->children().indexOf(w->gameLayer) < client->children().indexOf(w->fraNewOrLoad), true);
        QCOMPARE(client->children().indexOf(w->fraNewOrLoad) < client->children().indexOf(w->fraCinematic), true);
        QVERIFY(w->fraNewOrLoad->isVisible());
        QVERIFY(!w->fraCinematic->isVisible());
        QVERIFY(!w->btnErase->isVisibleTo(w->fraCinematic));
        for (QLabel* caption : w->lblCinematic) QVERIFY(caption->isVisibleTo(w->fraCinematic));

        // What is on top at the middle of a purchase button is the start frame.
        const QPoint middle = w->btnPurchase[2]->geometry().center();
        QWidget* top = client->childAt(middle);
        QVERIFY(top == w->fraNewOrLoad || w->fraNewOrLoad->isAncestorOf(top));
        w->btnNewGame_Click();
        QCOMPARE(client->childAt(middle), w->btnPurchase[2]);
    }

    void freshLabels() {
        QCOMPARE(w->lblCounter->text(), QStringLiteral(" 100"));
        QCOMPARE(w->lblPerSecond->text(), QStringLiteral(" 0 per second"));
        for (QLabel* count : w->lblFarmCount) QCOMPARE(count->text(), QStringLiteral("0x"));
    }

    void menus() {
        struct Item {
            const char* name;
            const char* caption;
            QKeySequence shortcut;
        };
        const std::vector<std::pair<Item, std::vector<Item>>> tree = {
            {{"mnuFile", "&File", {}},
             {{"mnuLoad", "&Load", QKeySequence("Ctrl+L")},
              {"mnuSave", "&Save", QKeySequence("Ctrl+S")},
              {"mnuQuit", "&Quit", QKeySequence("Ctrl+Q")}}},
            {{"mnuPurchase", "&Purchase", {}},
             {{"mnuCob", "Vusk on the &cob", {}},
              {"mnuField", "Vusk &field", {}},
              {"mnuMaze", "Vusk &maze", {}},
              {"mnuHarvester", "Vuskbine &harvester", {}},
              {"mnuUfo", "Vusk &UFO", {}}}},
            {{"mnuHelp", "&Help", {}}, {{"mnuSeekHelp", "&Seek help", {}}, {"mnuAbout", "&About vusk sandwich", {}}}},
        };
        const QList<QAction*> top = w->menuBar()->actions();
        QCOMPARE(top.size(), qsizetype(tree.size()));
        for (size_t m = 0; m < tree.size(); ++m) {
            QCOMPARE(top[m]->text(), QString::fromUtf8(tree[m].first.caption));
            QMenu* menu = top[m]->menu();
            QVERIFY(menu);
            QCOMPARE(menu->objectName(), QString::fromLatin1(tree[m].first.name));
            QVERIFY(top[m]->isEnabled());
            const QList<QAction*> items = menu->actions();
            QCOMPARE(items.size(), qsizetype(tree[m].second.size()));
            for (qsizetype i = 0; i < items.size(); ++i) {
                const Item& expected = tree[m].second[size_t(i)];
                QCOMPARE(items[i]->objectName(), QString::fromLatin1(expected.name));
                QCOMPARE(items[i]->text(), QString::fromUtf8(expected.caption));
                QCOMPARE(items[i]->shortcut(), expected.shortcut);
                QVERIFY(items[i]->isEnabled() && items[i]->isVisible() && !items[i]->isCheckable());
            }
        }
    }

    void timers() {
        QCOMPARE(w->tmrTick->objectName(), QStringLiteral("tmrTick"));
        QCOMPARE(w->tmrTick->interval(), 20);
        QVERIFY(w->tmrTick->isActive());
        // The ending's captions are due to the millisecond; coarse timers drift by up to 5%.
        // A tick adds what the time since the last one earned, so it may be coarse.
        QCOMPARE(w->tmrTick->timerType(), Qt::CoarseTimer);
        QCOMPARE(w->tmrCinematic->timerType(), Qt::PreciseTimer);
        QCOMPARE(w->tmrCinematic->objectName(), QStringLiteral("tmrCinematic"));
        QCOMPARE(w->tmrCinematic->interval(), 1800);
        QVERIFY(!w->tmrCinematic->isActive());
        QCOMPARE(w->dlgSaveLoad.FileName(), QString());
        QCOMPARE(w->dlgSaveLoad.DefaultExt, QStringLiteral("txt"));
    }

    void keyboard() {
        // Tab order of the buttons; the start screen's first button has the focus.
        QCOMPARE(QApplication::focusWidget(), w->btnNewGame);
        const std::vector<QWidget*> order = {w->btnPurchase[0], w->btnPurchase[1], w->btnPurchase[2],
                                             w->btnPurchase[3], w->btnPurchase[4], w->btnNewGame,
                                             w->btnLoadGame,    w->btnErase};
        std::vector<QWidget*> chain;
        QWidget* at = order.front();
        do {
            if (at->focusPolicy() & Qt::TabFocus) chain.push_back(at);
            at = at->nextInFocusChain();
        } while (at != order.front());
        QCOMPARE(chain, order);
        // Covered purchase buttons are out of reach.
        for (QPushButton* b : w->btnPurchase) QVERIFY(!b->isEnabled());
        QTest::keyClick(w.get(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->btnLoadGame);
        QTest::keyClick(w.get(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w->btnNewGame);
        // Space on the start screen starts the game, and buys nothing.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(w->fraNewOrLoad->isHidden());
        QCOMPARE(w->state.farmCount[0], int16_t(0));
        QCOMPARE(QApplication::focusWidget(), w->btnPurchase[0]);
        for (QPushButton* b : w->btnPurchase) QVERIFY(b->isEnabled());
    }

    void enterPressesTheFocusedButton_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    }
    void enterPressesTheFocusedButton() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        auto press = [&](QPushButton* button) {
            button->setFocus();
            QCOMPARE(QApplication::focusWidget(), button);
            QTest::keyClick(button, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        };
        int dialogs = 0;
        w->dlgSaveLoad.setChooser([&dialogs](SaveLoadDialog::Mode, const QString&) {
            ++dialogs;
            return std::optional<QString>();
        });

        press(w->btnLoadGame);
        QCOMPARE(dialogs, 1);
        press(w->btnNewGame);
        QVERIFY(w->fraNewOrLoad->isHidden());
        press(w->btnPurchase[0]);
        QCOMPARE(w->state.farmCount[0], int16_t(1));
        w->state.collected = 5e9;
        press(w->btnPurchase[4]);
        QVERIFY(w->EndingStarted());
        for (int i = 0; i < 10; ++i) w->tmrCinematic_Timer();
        press(w->btnErase);
        QVERIFY(!w->isVisible());
    }

    void accessibility() {
        QCOMPARE(w->btnPurchase[3]->accessibleName(), QStringLiteral("Purchase Vuskbine harvester"));
        QCOMPARE(w->btnErase->accessibleName(), QStringLiteral("Erase save file"));
        QCOMPARE(w->lblCounter->accessibleDescription(), QStringLiteral("Vusk collected"));
        QCOMPARE(w->lblPerSecond->accessibleDescription(), QStringLiteral("Vusk per second"));

        // What a screen reader is told: the counter reads as its amount, with
        // what it is as the description; every button has a name without "&".
        w->btnNewGame_Click();
        w->state.collected = 4321;
        w->lblCounter_Update();
        QAccessibleInterface* counter = QAccessible::queryAccessibleInterface(w->lblCounter);
        QVERIFY(counter);
        QCOMPARE(counter->text(QAccessible::Name), QStringLiteral(" 4321"));
        QCOMPARE(counter->text(QAccessible::Description), QStringLiteral("Vusk collected"));
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            const QString name = QAccessible::queryAccessibleInterface(b)->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty() && !name.contains(u'&'), qPrintable(b->objectName() + ": " + name));
        }
    }

    void gameLayerPicture() {
        // A picture of the game layer, as a player sees it after New game.
        w->btnNewGame_Click();
        const QPixmap picture = w->centralWidget()->grab();
        QCOMPARE(picture.size(), QSize(392, 273));
        const QString dir = qEnvironmentVariable("VUSK_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QVERIFY(picture.save(dir + QStringLiteral("/game.png")));
            w->fraCinematic->show();
            QVERIFY(w->centralWidget()->grab().save(dir + QStringLiteral("/ending.png")));
        }
    }
};

QTEST_MAIN(TestWindowLayout)
#include "tst_window_layout.moc"
