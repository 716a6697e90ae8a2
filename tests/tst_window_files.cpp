// SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and loading through the window: the dialog, the file, the messages,
// and never losing a game or a file.
#include <QtTest>

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <optional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

#include "fresh_game.h"
#include "savefile/savefile.h"
#include "window/files.h"
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

#ifdef Q_OS_UNIX
// Opens the pipe for writing and closes it again: a reader blocked in
// opening it wakes up and reads the end of the file.
void WakeReader(const QString& fifo) {
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
}

// Wakes a reader blocked on the pipe after a few seconds unless dismissed
// first, so that a read that waits for a writer fails its test instead of
// hanging it.
class Rescue {
public:
    explicit Rescue(const QString& fifo)
        : thread_([this, fifo] {
              std::unique_lock lock(mutex_);
              if (!dismissed_.wait_for(lock, std::chrono::seconds(5), [this] { return done_; })) {
                  rescued_ = true;
                  WakeReader(fifo);
              }
          }) {}
    ~Rescue() { dismiss(); }
    // True when the reader had to be woken.
    bool dismiss() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        dismissed_.notify_one();
        if (thread_.joinable()) thread_.join();
        return rescued_;
    }

private:
    std::mutex mutex_;
    std::condition_variable dismissed_;
    bool done_ = false;
    bool rescued_ = false;
    std::thread thread_;  // last, so that it starts after the rest exists
};
#endif

}  // namespace

class TestWindowFiles : public QObject {
    Q_OBJECT

    WindowFixture f;
    std::unique_ptr<QTemporaryDir> dir;
    const QByteArray old = QByteArray(kFreshFile).replace(" 100 ", " 777 ");  // a save already there

    QString path(const QString& name) const { return dir->filePath(name); }
    // What the first dialog proposes with the fixture's folders.
    static QString first() { return WindowFixture::kStart + QStringLiteral("/vusk_save.txt"); }

    // Saves to `target`, which must fail with the message and leave nothing
    // behind next to it.
    void expectSaveFails(const QString& target) {
        f.choices = {target};
        f.w->mnuSave_Click();
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("The game could not be saved."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Save failed"));
        QCOMPARE(f.boxes[0].style, mb::OKOnly + mb::Critical);
        const QStringList left = QDir(QFileInfo(target).path()).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.size() <= 1, qPrintable(left.join(' ')));
    }

private slots:
    void init() {
        f.create();
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup() {
        f.w.reset();
        dir.reset();
    }

    void saveFreshGame() {
        f.choices = {path("fresh.txt")};
        f.w->mnuSave->trigger();
        QCOMPARE(f.modes, std::vector<Mode>{Mode::Save});
        QCOMPARE(f.proposed, QStringList{first()});
        QCOMPARE(Read(path("fresh.txt")), QByteArray(kFreshFile));
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("Game saved."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Game saved"));
        QCOMPARE(f.boxes[0].style, mb::OKOnly + mb::Information);
        QCOMPARE(f.w->dlgSaveLoad.FileName(), path("fresh.txt"));

        // The next save proposes the plain name again, in the last file's folder.
        f.choices = {path("again.txt")};
        f.w->mnuSave_Click();
        QCOMPARE(f.proposed.last(), path("vusk_save.txt"));
    }

    void cancelledSave() {
        f.w->state.collected = 7;
        f.choices = {path("first.txt")};
        f.w->mnuSave_Click();
        f.boxes.clear();
        f.w->mnuSave_Click();  // cancelled
        QVERIFY(f.boxes.empty());
        QCOMPARE(f.w->dlgSaveLoad.FileName(), path("vusk_save.txt"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{"first.txt"});
        QVERIFY(!QFile::exists(QStringLiteral("vusk_save.txt")));
    }

    void nameWithoutExtensionGetsTxt() {
        f.choices = {path("mygame")};
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
        f.choices = {path("two cobs.txt")};
        f.w->mnuSave_Click();

        // A different game in another window takes the saved one back.
        WindowFixture g;
        g.create();
        g.choices = {path("two cobs.txt")};
        g.w->state.cinematicStep = 0;
        const double lastTick = g.w->state.lastTick;
        g.w->btnLoadGame->click();
        QVERIFY(g.w->fraNewOrLoad->isHidden());
        QCOMPARE(g.proposed.last(), first());
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
        QCOMPARE(g.proposed.last(), path("two cobs.txt"));
    }

    void freshSaveLoadsAsFresh() {
        f.choices = {path("fresh.txt"), path("fresh.txt")};
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
        QCOMPARE(f.proposed.last(), first());
        QCOMPARE(f.w->dlgSaveLoad.FileName(), first());
        f.choices = {path("a.txt")};
        f.w->mnuSave_Click();
        f.w->mnuLoad_Click();  // cancelled
        QCOMPARE(f.proposed.last(), path("a.txt"));
        QCOMPARE(f.w->dlgSaveLoad.FileName(), path("a.txt"));  // a cancelled load keeps it
        f.w->mnuSave_Click();  // cancelled
        f.w->mnuLoad_Click();  // cancelled
        QCOMPARE(f.proposed.last(), path("vusk_save.txt"));
    }

    void firstSaveFolder_data() {
        // Folders inside the test's folder; documents "" when the system names none.
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("install");
        QTest::addColumn<QString>("documents");
        QTest::addColumn<QStringList>("readOnly");
        QTest::addColumn<QString>("expected");
        const QStringList none;
        QTest::newRow("start folder") << "start" << "game" << "docs" << none << "start";
        QTest::newRow("no game folder known") << "start" << "" << "docs" << none << "start";
        QTest::newRow("read-only start folder") << "start" << "game" << "docs" << QStringList{"start"} << "docs";
        QTest::newRow("started in the game's folder") << "game" << "game" << "docs" << none << "docs";
        QTest::newRow("the game's folder spelt otherwise") << "game/../game/." << "game" << "docs" << none << "docs";
        QTest::newRow("no documents folder") << "game" << "game" << "missing" << none << "home";
        QTest::newRow("the system names none") << "game" << "game" << "" << none << "home";
        QTest::newRow("read-only documents") << "start" << "game" << "docs" << QStringList{"start", "docs"} << "home";
    }
    void firstSaveFolder() {
        QFETCH(QString, start);
        QFETCH(QString, install);
        QFETCH(QString, documents);
        QFETCH(QStringList, readOnly);
        QFETCH(QString, expected);
        for (const char* name : {"start", "game", "docs", "home"}) QVERIFY(QDir(dir->path()).mkdir(name));
        auto in = [this](const QString& name) { return name.isEmpty() ? QString() : path(name); };
        const SaveFolders folders{in(start), in(install), in(documents), path("home"), [&](const QString& folder) {
                                      return !readOnly.contains(QFileInfo(folder).fileName());
                                  }};
        QCOMPARE(FirstSaveFolder(folders), path(expected));
    }

    void firstDialogsAvoidAFolderThePlayerCannotWriteIn() {
        WindowFixture g;
        g.folders->writable = [](const QString& folder) { return folder != WindowFixture::kStart; };
        g.create();
        g.w->mnuLoad_Click();  // cancelled
        g.w->mnuSave_Click();  // cancelled
        const QString home = g.folders->home + QStringLiteral("/vusk_save.txt");  // documents is not on disk
        // The second dialog proposes the first one's folder made absolute,
        // which on Windows gives the made-up folder a drive.
        QCOMPARE(g.proposed, (QStringList{home, QFileInfo(home).absoluteFilePath()}));
    }

    void canWriteInFolder() {
        Write(path("file"), "x");
        QVERIFY(CanWriteInFolder(dir->path()));
        QVERIFY(!CanWriteInFolder(path("missing")));
        QVERIFY(!CanWriteInFolder(path("file")));
        QVERIFY(!CanWriteInFolder(QString()));
        QCOMPARE(QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"file"});  // no probe left behind

        QVERIFY(QDir(dir->path()).mkdir("ro"));
        QVERIFY(QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner));
        const bool binds = !QFile(path("ro/x")).open(QIODevice::WriteOnly);
        const bool writable = CanWriteInFolder(path("ro"));
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!binds) QSKIP("a read-only folder takes files from this user (the superuser; Windows)");
        QVERIFY(!writable);
    }

    // The window's own folders: the working folder at its creation, the
    // test program's folder, and the home and documents folders from HOME.
    void firstFolderFromTheRealFolders() {
#ifndef Q_OS_UNIX
        QSKIP("the home folder follows HOME on Unix only");
#else
        struct Restore {
            QString cwd = QDir::currentPath();
            QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
            ~Restore() {
                QDir::setCurrent(cwd);
                qputenv("HOME", home);
                if (config.isEmpty())
                    qunsetenv("XDG_CONFIG_HOME");
                else
                    qputenv("XDG_CONFIG_HOME", config);
            }
        } restore;
        for (const char* name : {"home", "start", "ro"}) QVERIFY(QDir(dir->path()).mkdir(name));
        qputenv("HOME", QFile::encodeName(path("home")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("home/.config")));
        WindowFixture g;
        g.folders.reset();
        auto firstProposal = [&g](const QString& workingFolder) {
            if (!QDir::setCurrent(workingFolder)) return QStringLiteral("cannot enter ") + workingFolder;
            g.create();
            g.w->mnuSave_Click();  // cancelled
            return g.proposed.value(0);
        };

        QCOMPARE(firstProposal(path("start")), path("start/vusk_save.txt"));
        const QString game = QCoreApplication::applicationDirPath();
        QCOMPARE(firstProposal(game), path("home/vusk_save.txt"));
        QVERIFY(QDir(path("home")).mkdir("Documents"));
        QCOMPARE(firstProposal(game), path("home/Documents/vusk_save.txt"));

        QVERIFY(QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner));
        const bool binds = !QFile(path("ro/x")).open(QIODevice::WriteOnly);
        const QString proposal = firstProposal(path("ro"));
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!binds) QSKIP("a read-only folder takes files from the superuser");
        QCOMPARE(proposal, path("home/Documents/vusk_save.txt"));
#endif
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
        f.choices = {path("rich.txt")};
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
        // A good file whose last number, 1000000000, runs over the reading
        // limit: the first MiB alone would read it as 1000.
        const QByteArray good(kFreshFile);
        QByteArray cut = good.left(good.lastIndexOf("1000000000"));
        cut.append(QByteArray(kMaxSaveFileBytes - 4 - cut.size(), ' ')).append("1000000000 \r\n");
        QTest::newRow("larger than the limit") << cut;
    }
    void refusedFiles() {
        QFETCH(QByteArray, bytes);
        if (!bytes.isEmpty()) Write(path("bad.txt"), bytes);
        f.setState([](GameState& s) {
            s.collected = 42.5;
            s.farmCount[1] = 3;
        });
        const GameState before = f.w->state;
        const QStringList labels = Labels(*f.w);
        f.choices = {path("bad.txt")};
        QVERIFY(!f.w->LoadGame());
        QCOMPARE(f.boxes.size(), size_t(1));
        QCOMPARE(f.boxes[0].prompt, QStringLiteral("The game could not be loaded from that file."));
        QCOMPARE(f.boxes[0].title, QStringLiteral("Load failed"));
        QCOMPARE(f.boxes[0].style, mb::OKOnly + mb::Critical);
        QCOMPARE(f.w->state, before);
        QCOMPARE(Labels(*f.w), labels);

        // From the start screen the screen stays up.
        f.choices = {path("bad.txt")};
        f.w->btnLoadGame_Click();
        QVERIFY(!f.w->fraNewOrLoad->isHidden());
        QCOMPARE(f.w->state, before);
        if (!bytes.isEmpty()) QCOMPARE(Read(path("bad.txt")), bytes);  // and the file is as it was
    }

    void loadsAFileOfTheLimitsSize() {
        QByteArray bytes(kFreshFile);
        bytes.append(QByteArray(kMaxSaveFileBytes - bytes.size(), ' '));
        Write(path("padded.txt"), bytes);
        f.choices = {path("padded.txt")};
        QVERIFY(f.w->LoadGame());
        QVERIFY(f.boxes.empty());
    }

    void refusesWhatIsNotARegularFile() {
#ifndef Q_OS_UNIX
        QSKIP("named pipes and /dev/null are POSIX");
#else
        QVERIFY(QDir(dir->path()).mkdir("folder.txt"));
        QCOMPARE(mkfifo(QFile::encodeName(path("pipe.txt")).constData(), 0600), 0);
        const QStringList paths = {path("folder.txt"), QStringLiteral("/dev/null"), path("pipe.txt")};
        const GameState before = f.w->state;
        Rescue rescue(path("pipe.txt"));
        for (const QString& p : paths) {
            f.choices = {p};
            QVERIFY(!f.w->LoadGame());
        }
        QVERIFY2(!rescue.dismiss(), "the load waited for a writer to the pipe");
        QCOMPARE(f.boxes.size(), size_t(paths.size()));
        for (const Box& box : f.boxes) QCOMPARE(box.title, QStringLiteral("Load failed"));
        QCOMPARE(f.w->state, before);
#endif
    }

    void readingGivesUpOnAPipeWithoutAWriter() {
#ifndef Q_OS_UNIX
        QSKIP("named pipes are POSIX");
#else
        // As when the chosen file is swapped for a pipe after it was checked.
        const QString fifo = path("swapped.txt");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        Rescue rescue(fifo);
        QVERIFY(!ReadFileWithin(fifo, kMaxSaveFileBytes, 50));
        QVERIFY2(!rescue.dismiss(), "the read waited for a writer to the pipe");
        WakeReader(fifo);  // lets the reading thread end
#endif
    }

    void readingStopsAtTheLimit() {
        Write(path("eleven.txt"), "eleven byte");
        QVERIFY(!ReadFileWithin(path("eleven.txt"), 10, 5000));
        QCOMPARE(ReadFileWithin(path("eleven.txt"), 11, 5000), std::optional<QByteArray>("eleven byte"));
    }

    void saveOntoAFolder() {
        QVERIFY(QDir(dir->path()).mkdir("folder.txt"));
        expectSaveFails(path("folder.txt"));
        QVERIFY(QFileInfo(path("folder.txt")).isDir());
    }

    void saveInsideAFile() {
        Write(path("plain"), old);
        expectSaveFails(path("plain") + "/save.txt");
        QCOMPARE(Read(path("plain")), old);
    }

    void saveIntoAReadOnlyFolder() {
#ifdef Q_OS_UNIX
        if (geteuid() == 0) QSKIP("permissions do not bind the superuser");
#else
        QSKIP("a folder's permissions do not stop writing into it on Windows");
#endif
        QVERIFY(QDir(dir->path()).mkdir("ro"));
        Write(path("ro/save.txt"), old);
        QVERIFY(QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner));
        expectSaveFails(path("ro/save.txt"));
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(Read(path("ro/save.txt")), old);
    }

    void saveBeyondTheFileSizeLimit() {
#ifdef Q_OS_UNIX
        // Any file may grow to 40 bytes only: the save stops half-way, where
        // the game would be ended by SIGXFSZ unless it ignores it.
        Write(path("full.txt"), old);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 40;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        expectSaveFails(path("full.txt"));
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(Read(path("full.txt")), old);
#else
        QSKIP("a process's file size limit is POSIX");
#endif
    }

    void saveReplacesAnOldFileWhole() {
        Write(path("old.txt"), QByteArray(4096, 'x'));
        f.choices = {path("old.txt")};
        f.w->mnuSave_Click();
        QCOMPARE(Read(path("old.txt")), QByteArray(kFreshFile));
        QCOMPARE(f.boxes.back().prompt, QStringLiteral("Game saved."));
    }
};

QTEST_MAIN(TestWindowFiles)
#include "tst_window_files.moc"
