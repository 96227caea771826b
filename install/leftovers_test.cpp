// What a real machine leaves in the way of a second install: read-only
// files from a disc, a file the running game holds, a scratch folder of the
// same name left by a crashed run. Each row installs, changes the machine,
// installs again, and checks what the installation then holds.

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <thread>

#include "install/install_run.h"
#include "platform/held_file.h"
#include "tests/install_fixture.h"

namespace {

namespace fs = std::filesystem;

struct Leftovers : InstallSandbox {
  fs::path game;  // the game folder of the row
};

void makeReadOnly(const fs::path& file) {
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

TEST_F(Leftovers, ReadOnlyFilesAndAPlantedScratchFolder) {
  struct Row {
    const char* name;
    std::function<void(Leftovers&)> before;  // after a first whole install
    std::string lastLine;
    std::function<void(Leftovers&)> after;
  };
  const std::string done = "Installation completed successfully (en)!";
  const Row rows[] = {
      {"a read-only source installed again after an update",
       [](Leftovers& t) {
         makeReadOnly(t.root.sub("src/Data/Maps/m.rvm"));
         fs::permissions(t.root.sub("src/Data/Maps/m.rvm"), fs::perms::owner_write, fs::perm_options::add);
         t.root.write("src/Data/Maps/m.rvm", "updated map");
         makeReadOnly(t.root.sub("src/Data/Maps/m.rvm"));
       },
       done, [](Leftovers& t) { EXPECT_EQ(readFileBytes(t.game / "Data/Maps/m.rvm"), "updated map"); }},
      {"a mod over a read-only base file",
       [](Leftovers& t) {
         t.root.write("mod/Vestrova/Data-VA/va.rvm", "va");
         t.root.write("mod/Vestrova/Data/Maps/m.rvm", "the mod's map");
         t.state.modArchivePath = t.root.subStr("mod/Vestrova");
       },
       done, [](Leftovers& t) { EXPECT_EQ(readFileBytes(t.game / "Data/Maps/m.rvm"), "the mod's map"); }},
      {"a scratch folder of this run's name with files in it",
       [](Leftovers& t) {
         t.root.write("src/Data/Maps/m.rvm", "map");
         installStandIn(t.root.sub("tools"), "innoextract.exe");
         t.root.write("payload/app/Data/real.rvk", "unpacked");
         t.env.set("TKR_CHILD_PAYLOAD", t.root.subStr("payload"));
         t.state.gamePath = pathToUtf8(installStandIn(t.root.sub("dl"), "setup_tk.exe"));
         fs::create_directories(t.workDir() / "gog-ext/app/Data");
         std::ofstream(t.workDir() / "gog-ext/app/Data/planted.rvk") << "planted";
         fs::create_directories(t.workDir() / "mod-ext/Vestrova/Data-VA");
         std::ofstream(t.workDir() / "mod-ext/Vestrova/Data-VA/planted.rvm") << "planted";
       },
       done,
       [](Leftovers& t) {
         EXPECT_EQ(readFileBytes(t.game / "Data/real.rvk"), "unpacked");
         EXPECT_FALSE(fs::exists(t.game / "Data/planted.rvk"));
         EXPECT_FALSE(fs::exists(t.workDir()));
       }},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // A prefix of its own per row: the read-only copies stay where they are.
    env.set("TKR_SETUP_PREFIX", root.subStr("prefix-" + std::to_string(++n)));
    game = root.sub("prefix-" + std::to_string(n)) / "game";
    root.write("src/Data/Maps/m.rvm", "map");
    makeReadOnly(root.sub("src/Data/Maps/m.rvm"));
    state.gamePath = root.subStr("src");
    state.modArchivePath.clear();
    install();
    ASSERT_TRUE(state.succeeded.load()) << output;
    row.before(*this);
    install();
    EXPECT_EQ(lastLine(), row.lastLine) << output;
    row.after(*this);
    fs::permissions(root.sub("src/Data/Maps/m.rvm"), fs::perms::owner_write, fs::perm_options::add);
    env.unset("TKR_CHILD_PAYLOAD");
    fs::remove(root.sub("tools/innoextract.exe"));
  }
  // Read-only files would stay behind in the sandbox on Windows.
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(root.path)) {
    if (e.is_regular_file()) fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
  }
}

// The running game holds one of its files (Windows only): the job names
// the file and asks to close the game, and completes once it is closed.
TEST_F(Leftovers, AFileTheGameHoldsIsNamed) {
  root.write("src/Data/Maps/m.rvm", "map");
  state.gamePath = root.subStr("src");
  install();
  ASSERT_TRUE(state.succeeded.load());
  HeldFile held;
  if (!held.hold(gameDir() / "Data/Maps/m.rvm")) GTEST_SKIP() << "this system has no file holds";
  root.write("src/Data/Maps/m.rvm", "updated map");
  install();
  expectFailedWith("ERROR: Could not replace \"" + pathToUtf8(root.sub("prefix") / "game" / "Data" / "Maps/m.rvm") +
                   "\": another program (the game?) has it open. Close that program, then run Setup again.");
  held.release();
  install();
  EXPECT_TRUE(state.succeeded.load());
  EXPECT_EQ(readFileBytes(gameDir() / "Data/Maps/m.rvm"), "updated map");
}

// On Linux the scratch folder's name may be a link planted by another
// user: it is never followed, and what it leads to stays as it was.
TEST_F(Leftovers, AScratchFolderThatIsALinkIsNeverFollowed) {
  root.write("outside/Data/planted.rvk", "planted");
  std::error_code ec;
  fs::create_directory_symlink(root.sub("outside"), workDir(), ec);
  if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
  installStandIn(root.sub("tools"), "innoextract.exe");
  root.write("payload/app/Data/real.rvk", "unpacked");
  env.set("TKR_CHILD_PAYLOAD", root.subStr("payload"));
  state.gamePath = pathToUtf8(installStandIn(root.sub("dl"), "setup_tk.exe"));
  install();
  EXPECT_TRUE(state.succeeded.load()) << output;
  EXPECT_EQ(readFileBytes(gameDir() / "Data/real.rvk"), "unpacked");
  EXPECT_FALSE(fs::exists(gameDir() / "Data/planted.rvk"));
  EXPECT_TRUE(fs::is_symlink(workDir()));
  EXPECT_EQ(readFileBytes(root.sub("outside/Data/planted.rvk")), "planted");
  EXPECT_FALSE(fs::exists(root.sub("outside/gog-ext")));
  fs::remove(workDir());
}

// Scratch folders of earlier runs that were killed outright: the user's
// own are removed by the next run (links in them removed, not followed);
// one whose Setup still runs (its lock held, or its process alive) stays.
TEST_F(Leftovers, ScratchFoldersOfKilledRunsGoThoseOfRunningOnesStay) {
  const fs::path temp = workDir().parent_path();
  const fs::path killed = temp / "tkr-win64-work-4000000001";
  const fs::path killedAgain = temp / "tkr-win64-work-4000000002-3";
  const fs::path locked = temp / "tkr-win64-work-4000000003";
  const fs::path notOurs = temp / "tkr-win64-work-x";
  for (const fs::path& folder : {killed, killedAgain, locked, notOurs}) {
    fs::create_directories(folder / "gog-ext/app/Data");
    std::ofstream(folder / "gog-ext/app/Data/left.rvk") << "left";
  }
  root.write("outside/kept.rvk", "kept");
  std::error_code linked;
  fs::create_directory_symlink(root.sub("outside"), killed / "gog-ext/link", linked);
  // A Setup that is running holds its folder's lock: here another thread.
  std::promise<void> held, done;
  std::thread holder([&] {
    InstallLock lock;
    lock.acquire(locked);
    held.set_value();
    done.get_future().wait();
  });
  held.get_future().wait();
  // A running process's folder, whether or not it holds the lock yet.
  const fs::path pidFile = root.sub("sleeper.pid");
  env.set("TKR_CHILD_PID", pathToUtf8(pidFile)).set("TKR_CHILD_SLEEP_MS", "60000");
  const fs::path sleeper = installStandIn(root.sub("sleeper"), "sleeper.exe");
  startProcessDetached("\"" + pathToUtf8(sleeper) + "\"", "");
  std::uint32_t pid = 0;
  for (int i = 0; i < 2000 && pid == 0; ++i) {  // polled: up to 20 s for a slow start
    std::ifstream(pidFile) >> pid;
    if (pid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(pid, 0u);
  env.unset("TKR_CHILD_PID").unset("TKR_CHILD_SLEEP_MS");
  const fs::path running = temp / ("tkr-win64-work-" + std::to_string(pid));
  fs::create_directories(running / "gog-ext");

  root.write("src/Data/Maps/m.rvm", "map");
  state.gamePath = root.subStr("src");
  install();
  done.set_value();
  holder.join();
  EXPECT_TRUE(state.succeeded.load()) << output;
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_FALSE(fs::exists(killedAgain));
  EXPECT_EQ(readFileBytes(root.sub("outside/kept.rvk")), "kept");
  EXPECT_TRUE(fs::exists(locked / "gog-ext/app/Data/left.rvk"));
  EXPECT_TRUE(fs::exists(notOurs / "gog-ext/app/Data/left.rvk"));
  EXPECT_TRUE(fs::exists(running / "gog-ext"));
  EXPECT_EQ(output.find("scratch folder"), std::string::npos) << output;  // nothing said of it
  for (const fs::path& folder : {locked, notOurs, running}) removeAllRetrying(folder);
}

}  // namespace
