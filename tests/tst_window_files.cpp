// Saving and loading through the window: the dialog, the file, the messages,
// and never losing a game or a file.
#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

#include "fresh_game.h"
#include "savefile/savefile.h"
#include "window_fixture.h"

using namespace vusk;
using Mode = SaveLoadDialog::Mode;

namespace {

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList Labels(const frmVuskSandwich& w) {
    QStringList texts{w.lblCounter->text(), w.lblPerSecond->text()};
    for (size_t i = 0; i < 5; ++i) texts << w.lblFarmPrice[i]->text() << w.lblFarmCount[i]->text();
    return texts;
}

}  // namespace

class TestWindowFiles : public QObject {
    Q_OBJECT

    WindowFixture f;
    std::unique_ptr<QTemporaryDir> dir;
    QStringList proposed;                // names the dialogs proposed
    std::vector<Mode> modes;             // which dialogs were shown
    std::deque<std::optional<QString>> choices;  // what the player picks; cancel when empty

    QString path(const QString& name) const { return dir->filePath(name); }

private slots:
    void init() {
        f.create();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        proposed.clear();
        modes.clear();
        choices.clear();
        f.w->dlgSaveLoad.setChooser([this](Mode mode, const QString& name) -> std::optional<QString> {
            modes.push_back(mode);
            proposed << name;
            if (choices.empty()) return std::nullopt;
            const QString choice = choices.front().value_or(QString());
            choices.pop_front();
            if (choice.isEmpty()) return std::nullopt;
            return choice;
        });
    }
    void cleanup() {
        f.w.reset();
        dir.reset();
    }

    void saveFreshGame() {
        choices = {path("fresh.txt")};
        f.w->mnuSave->trigger();
        QCOMPARE(modes, std::vector<Mode>{Mode::Save});
        QCOMPARE(proposed, QStringList{"vusk_save.txt"});
        QCOMPARE(Read(path("fresh.txt")), QByteArray(kFreshFile));
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("Game saved."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Game saved"));
        QCOMPARE(f.boxes[0].style, 64);
        QCOMPARE(f.w->dlgSaveLoad.FileName(), path("fresh.txt"));

        // The next save proposes the plain name again, not the last path.
        choices = {path("again.txt")};
        f.w->mnuSave_Click();
        QCOMPARE(proposed.last(), QStringLiteral("vusk_save.txt"));
    }

    void cancelledSave() {
        f.w->state.collected = 7;
        choices = {path("first.txt")};
        f.w->mnuSave_Click();
        f.boxes.clear();
        f.w->mnuSave_Click();  // cancelled
        QVERIFY(f.boxes.empty());
        QCOMPARE(f.w->dlgSaveLoad.FileName(), QStringLiteral("vusk_save.txt"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{"first.txt"});
        QVERIFY(!QFile::exists(QStringLiteral("vusk_save.txt")));
    }

    void nameWithoutExtensionGetsTxt() {
        choices = {path("mygame")};
        f.w->mnuSave_Click();
        QVERIFY(QFile::exists(path("mygame.txt")));
        QVERIFY(!QFile::exists(path("mygame")));
        QCOMPARE(f.w->dlgSaveLoad.FileName(), path("mygame.txt"));
    }

    void saveAndLoadRoundTrip() {
        f.w->btnNewGame_Click();
        f.w->btnPurchase_Click(0);
        f.w->btnPurchase_Click(0);
        f.now += 10;
        f.w->tmrTick_Timer();
        const GameState saved = f.w->state;
        choices = {path("two cobs.txt")};
        f.w->mnuSave_Click();

        // A different game in another window takes the saved one back.
        WindowFixture g;
        g.create();
        g.w->dlgSaveLoad.setChooser([this](Mode, const QString& name) {
            proposed << name;
            return std::optional<QString>(path("two cobs.txt"));
        });
        g.w->state.cinematicStep = 0;
        const double lastTick = g.w->state.lastTick;
        g.w->btnLoadGame->click();
        QVERIFY(g.w->fraNewOrLoad->isHidden());
        QCOMPARE(proposed.last(), QStringLiteral("vusk_save.txt"));
        QCOMPARE(g.w->state.farmCount, saved.farmCount);
        QCOMPARE(g.w->state.farmPrice[0], 24.2);
        QCOMPARE(g.w->state.collected, saved.collected);
        QCOMPARE(g.w->state.lastTick, lastTick);
        QCOMPARE(g.w->lblFarmPrice[0]->text(), QStringLiteral("k24"));
        QCOMPARE(g.w->lblFarmCount[0]->text(), QStringLiteral(" 2x"));
        QCOMPARE(g.w->lblFarmCount[1]->text(), QStringLiteral(" 0x"));
        QCOMPARE(g.w->lblPerSecond->text(), QStringLiteral(" 2 per second"));
        QCOMPARE(g.w->lblCounter->text(), f.w->lblCounter->text());
        QVERIFY(g.boxes.empty());
        QCOMPARE(g.w->dlgSaveLoad.FileName(), path("two cobs.txt"));

        // The next load proposes that path again.
        g.w->mnuLoad_Click();
        QCOMPARE(proposed.last(), path("two cobs.txt"));
    }

    void freshSaveLoadsAsFresh() {
        choices = {path("fresh.txt"), path("fresh.txt")};
        f.w->mnuSave_Click();
        f.w->state.collected = 1;  // something a load must undo
        QVERIFY(f.w->LoadGame());
        GameState fresh = FreshGame();
        fresh.lastTick = f.w->state.lastTick;
        QCOMPARE(f.w->state, fresh);
        for (QLabel* count : f.w->lblFarmCount) QCOMPARE(count->text(), QStringLiteral(" 0x"));
        QCOMPARE(f.w->lblFarmPrice[4]->text(), QStringLiteral("k5B"));
    }

    void proposedNames() {
        f.w->mnuLoad_Click();  // cancelled
        QCOMPARE(proposed.last(), QStringLiteral("vusk_save.txt"));
        QCOMPARE(f.w->dlgSaveLoad.FileName(), QStringLiteral("vusk_save.txt"));
        choices = {path("a.txt")};
        f.w->mnuSave_Click();
        f.w->mnuLoad_Click();  // cancelled
        QCOMPARE(proposed.last(), path("a.txt"));
        QCOMPARE(f.w->dlgSaveLoad.FileName(), path("a.txt"));  // a cancelled load keeps it
        f.w->mnuSave_Click();  // cancelled
        f.w->mnuLoad_Click();  // cancelled
        QCOMPARE(proposed.last(), QStringLiteral("vusk_save.txt"));
    }

    void cancelledLoadChangesNothing() {
        const GameState before = f.w->state;
        const QStringList labels = Labels(*f.w);
        QVERIFY(!f.w->LoadGame());
        f.w->btnLoadGame->click();
        QVERIFY(!f.w->fraNewOrLoad->isHidden());
        QVERIFY(f.w->btnNewGame->isEnabled() && f.w->btnLoadGame->isEnabled());
        QCOMPARE(f.w->state, before);
        QCOMPARE(Labels(*f.w), labels);
        QVERIFY(f.boxes.empty());

        f.w->btnNewGame_Click();
        f.w->mnuLoad_Click();
        QCOMPARE(f.w->state, before);
        QCOMPARE(Labels(*f.w), labels);
    }

    void menuLoadOnTheStartScreen() {
        Write(path("rich.txt"), QByteArray(kFreshFile).replace(" 100 ", " 12345 "));
        choices = {path("rich.txt")};
        QTest::keyClick(f.w.get(), Qt::Key_L, Qt::ControlModifier);
        f.w->mnuLoad->trigger();
        QVERIFY(f.w->fraNewOrLoad->isHidden());
        QCOMPARE(f.w->lblCounter->text(), QStringLiteral(" 12345"));
    }

    void refusedFiles_data() {
        QTest::addColumn<QByteArray>("bytes");  // empty: no such file
        QTest::newRow("no such file") << QByteArray();
        QTest::newRow("only line 1") << QByteArray(" 100 \r\n");
        QTest::newRow("ends early") << QByteArray(kFreshFile).chopped(14);
        QTest::newRow("not a number") << QByteArray(kFreshFile).replace(" 400 ", " lots ");
        QTest::newRow("count too large") << QByteArray(kFreshFile).replace(" 0  20  500 ", " 99999  20  500 ");
        QTest::newRow("unit 0") << QByteArray(kFreshFile).replace(" 1  1000 ", " 1  0 ");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11);
    }
    void refusedFiles() {
        QFETCH(QByteArray, bytes);
        if (!bytes.isEmpty()) Write(path("bad.txt"), bytes);
        f.w->state.collected = 42.5;
        f.w->state.farmCount[1] = 3;
        f.w->lblFarmCount_UpdateCaption(1);
        const GameState before = f.w->state;
        const QStringList labels = Labels(*f.w);
        choices = {path("bad.txt")};
        QVERIFY(!f.w->LoadGame());
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("The game could not be loaded from that file."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Load failed"));
        QCOMPARE(f.boxes[0].style, 16);
        QCOMPARE(f.w->state, before);
        QCOMPARE(Labels(*f.w), labels);

        // From the start screen the screen stays up.
        choices = {path("bad.txt")};
        f.w->btnLoadGame_Click();
        QVERIFY(!f.w->fraNewOrLoad->isHidden());
        QCOMPARE(f.w->state, before);
        if (!bytes.isEmpty()) QCOMPARE(Read(path("bad.txt")), bytes);  // and the file is as it was
    }

    void saveFailures_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("folder in the file's place") << 0;
        QTest::newRow("inside a file, not a folder") << 1;
        QTest::newRow("read-only folder") << 2;
        QTest::newRow("disk full while writing") << 3;
    }
    void saveFailures() {
        QFETCH(int, how);
        const QByteArray old = QByteArray(kFreshFile).replace(" 100 ", " 777 ");
        QString target;
        if (how == 0) {
            target = path("folder.txt");
            QVERIFY(QDir(dir->path()).mkdir("folder.txt"));
        } else if (how == 1) {
            Write(path("plain"), old);
            target = path("plain") + "/save.txt";
        } else if (how == 2) {
            if (geteuid() == 0) QSKIP("permissions do not bind the superuser");
            QVERIFY(QDir(dir->path()).mkdir("ro"));
            target = path("ro/save.txt");
            Write(target, old);
            QVERIFY(QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner));
        } else {
            target = path("full.txt");
            Write(target, old);
        }

        choices = {target};
        if (how == 3) {
            // Any file may grow to 40 bytes only: the save stops half-way.
            rlimit saved{};
            getrlimit(RLIMIT_FSIZE, &saved);
            rlimit small = saved;
            small.rlim_cur = 40;
            auto previous = std::signal(SIGXFSZ, SIG_IGN);
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            f.w->mnuSave_Click();
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, previous);
        } else {
            f.w->mnuSave_Click();
        }
        if (how == 2) QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("The game could not be saved."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Save failed"));
        QCOMPARE(f.boxes[0].style, 16);
        if (how == 1) QCOMPARE(Read(path("plain")), old);
        if (how >= 2) QCOMPARE(Read(target), old);
        if (how == 0) QVERIFY(QFileInfo(target).isDir());
        // Nothing is left behind next to it.
        const QStringList left = QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() <= 1, qPrintable(left.join(' ')));
    }

    void saveReplacesAnOldFileWhole() {
        Write(path("old.txt"), QByteArray(4096, 'x'));
        choices = {path("old.txt")};
        f.w->mnuSave_Click();
        QCOMPARE(Read(path("old.txt")), QByteArray(kFreshFile));
        QCOMPARE(f.boxes.back().prompt, QStringLiteral("Game saved."));
    }
};

QTEST_MAIN(TestWindowFiles)
#include "tst_window_files.moc"
