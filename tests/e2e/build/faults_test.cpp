// Whole runs of the headless build under the faults a real machine has:
// two runs at once on one work folder, a run killed at any moment, a disk
// that fills up. After each, every output that exists is complete, and the
// run said the truth about what it made. Linux: the kill and the full disk
// need SIGKILL, a preloaded library and tmpfs mounts.
#include <chm_lib.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "e2e/build/headless_case.h"
#include "package/packaging.h"
#include "pe/pe_resources.h"
#include "pipeline/work_folder.h"
#include "platform/file_lock.h"

extern char** environ;

namespace lh::test {
namespace {

// The notes' date, fixed so that two builds of one source give the same bytes.
constexpr const char* kEpoch = "1341151200";

std::string library_source(const std::string& name) {
  std::string text = "#LIBRARY_VERSION=\"1.0\"\r\n#" + name + "_A = 1 ;//Resident\r\n;{//Introduction\r\n";
  for (int i = 0; i < 12; ++i) {
    const std::string n = std::to_string(i);
    text += ";// Page text " + n + "\r\nProcedureDLL.s " + name + "Text" + n + "(a.s, b.l = " + n + ") ; Command " + n +
            "\r\n  ;{/* Example\r\n  ; Debug " + name + "Text" + n +
            "(\"x\")\r\n  ;}\r\n  ProcedureReturn a + Str(b)\r\nEndProcedure\r\n";
  }
  return text;
}

// What a run says on standard output.
struct Said {
  std::vector<std::string> out;
  int status = -1;
};

// A headless build started in the background, its output into files.
struct Started {
  pid_t pid = -1;
  std::string out, err;
};

Started start_build(Case& c, const std::string& source, const std::string& tag, const std::string& env = "") {
  set_env("TMPDIR", c.temp);
  set_env("LH_FAKE_LOG", c.log);
  set_env("SOURCE_DATE_EPOCH", kEpoch);
  Started s{-1, c.root + tag + ".out", c.root + tag + ".err"};
  platform::delete_file(s.out);  // what an earlier run said is not this one's
  const std::string command = env + " exec \"" + std::string(LH_LIBHAMMER) + "\" build \"" + source +
                              "\" --purebasic " + quoted_folder(c.pb) + " >\"" + s.out + "\" 2>\"" + s.err + "\"";
  const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
  if (posix_spawn(&s.pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) s.pid = -1;
  return s;
}

Said finish(const Started& s) {
  Said said;
  int raw = 0;
  if (s.pid > 0 && waitpid(s.pid, &raw, 0) == s.pid)
    said.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  said.out = lines_of(s.out);
  return said;
}

Said build(Case& c, const std::string& source, const std::string& env = "") {
  return finish(start_build(c, source, "run", env));
}

std::string text_of(const std::string& path) {
  std::string s;
  platform::read_file(path, s);
  return s;
}

// Waits (bounded) until the file holds `part`.
bool wait_for_text(const std::string& path, const std::string& part) {
  for (int i = 0; i < 6000; ++i) {
    if (contains(text_of(path), part)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Every output of library `name` that the author keeps, beside the source
// and in the PureBasic folder, and the build's own in the work folder.
std::vector<std::string> outputs_of(const Case& c, const std::string& name, bool with_work_folder) {
  const std::string pb = c.pb, base = c.src + name + " (1.0) x64";
  std::vector<std::string> paths = {pb + "PureLibraries/UserLibraries/" + name,
                                    pb + "Residents/" + name + ".res",
                                    pb + "help/" + name + ".chm",
                                    pb + "Library_Source/" + name + ".pb",
                                    pb + "Library_Source/" + name + "-Tweaked.pb",
                                    base + ".7z",
                                    base + ".exe"};
  if (with_work_folder) {
    paths.push_back(c.work + name + ".chm");
    paths.push_back(c.work + name + ".pb");
  }
  return paths;
}

bool ends_with(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

int each_object(chmFile*, chmUnitInfo* ui, void* context) {
  auto* objects = static_cast<std::vector<chmUnitInfo>*>(context);
  objects->push_back(*ui);
  return CHM_ENUMERATOR_CONTINUE;
}

// chmlib opens the manual and reads every object in it to its end.
bool manual_opens(const std::string& path) {
  chmFile* f = chm_open(path.c_str());
  if (!f) return false;
  std::vector<chmUnitInfo> objects;
  bool ok = chm_enumerate(f, CHM_ENUMERATE_NORMAL, each_object, &objects) != 0 && !objects.empty();
  std::vector<unsigned char> buf;
  for (chmUnitInfo& ui : objects) {
    buf.resize(static_cast<size_t>(ui.length) + 1);
    if (ui.length > 0 && chm_retrieve_object(f, &ui, buf.data(), 0, static_cast<LONGINT64>(ui.length)) !=
                             static_cast<LONGINT64>(ui.length))
      ok = false;
  }
  chm_close(f);
  return ok;
}

// The installer carries every package resource and its checksums hold.
bool installer_whole(const std::string& path) {
  std::vector<pe::Resource> resources;
  if (!pe::read_resources(text_of(path), resources)) return false;
  for (const char* name : {"NAME", "SOURCE", "LIBRARY", "CHM", "SOURCE-TWEAKED", "RESIDENT", "SUMS"})
    if (!pe::find_resource(resources, pe::kRtRcData, name)) return false;
  return package_is_whole(resources);
}

// 7-Zip (p7zip's 7z, which the tests read archives with) tests every file in it.
bool archive_tests_whole(const std::string& path) {
  const std::string command = "7z t \"" + path + "\" >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Complete: the manual and the packages read whole; every other file holds
// exactly what a build run alone wrote there.
bool complete(const std::string& path, const std::map<std::string, std::string>& reference) {
  if (ends_with(path, ".chm")) return manual_opens(path);
  if (ends_with(path, ".7z")) return archive_tests_whole(path);
  if (ends_with(path, ".exe")) return installer_whole(path);
  auto it = reference.find(path);
  return it != reference.end() && text_of(path) == it->second;
}

std::map<std::string, std::string> contents(const std::vector<std::string>& paths) {
  std::map<std::string, std::string> out;
  for (const std::string& p : paths)
    if (platform::is_file(p)) out[p] = text_of(p);
  return out;
}

// Temporary files that a finished run left anywhere under `folder`.
std::vector<std::string> leftovers(const std::string& folder) {
  std::vector<std::string> found;
  for (const platform::FolderEntry& e : platform::list_folder(folder)) {
    if (e.is_folder) {
      for (const std::string& f : leftovers(folder + e.name + "/")) found.push_back(f);
    } else if (contains(e.name, ".lhtmp")) {
      found.push_back(folder + e.name);
    }
  }
  return found;
}

std::string last_step(const Said& said) {
  std::string step = "none";
  for (const std::string& line : said.out)
    if (line.rfind("[", 0) == 0) step = line.substr(1, 5);
  return step;
}

// Two builds of two libraries on one work folder, twenty times: the test
// holds the work folder first, so both must wait (and say so); then they
// meet each other. Both succeed, and each leaves what it leaves alone.
TEST(Faults, TwoRunsAtOnceWaitAndBothBuild) {
  Case c("two_runs");
  const std::string alpha = c.src + "Alpha.pb", beta = c.src + "Beta.pb";
  ASSERT_TRUE(platform::write_file(alpha, library_source("Alpha")));
  ASSERT_TRUE(platform::write_file(beta, library_source("Beta")));
  ASSERT_EQ(build(c, alpha).status, 0);
  ASSERT_EQ(build(c, beta).status, 0);
  std::vector<std::string> paths = outputs_of(c, "Alpha", false);
  for (const std::string& p : outputs_of(c, "Beta", false)) paths.push_back(p);
  const std::map<std::string, std::string> alone = contents(paths);
  ASSERT_EQ(alone.size(), paths.size());

  const std::string waiting = waiting_for_run_text(static_cast<unsigned long>(getpid()));
  for (int round = 0; round < 20; ++round) {
    for (const std::string& p : paths) platform::delete_file(p);
    auto held = platform::try_lock_file(work_folder_lock_path(c.work));
    ASSERT_NE(held, nullptr);
    Started a = start_build(c, alpha, "alpha"), b = start_build(c, beta, "beta");
    ASSERT_TRUE(wait_for_text(a.out, waiting)) << text_of(a.out);
    ASSERT_TRUE(wait_for_text(b.out, waiting)) << text_of(b.out);
    held.reset();
    Said sa = finish(a), sb = finish(b);
    ASSERT_EQ(sa.status, 0) << text_of(a.err);
    ASSERT_EQ(sb.status, 0) << text_of(b.err);
    EXPECT_EQ(sa.out[0], waiting);
    EXPECT_EQ(sb.out[0], waiting);
    for (const std::string& p : paths) {
      if (ends_with(p, ".7z"))
        EXPECT_TRUE(archive_tests_whole(p)) << p;  // 7-Zip keeps each file's time
      else
        EXPECT_EQ(text_of(p), alone.at(p)) << p << " in round " << round;
    }
  }
}

// SIGKILL at fifty moments spread over a whole run (the program's own file
// writes and renames, counted in a run that ends normally), each followed
// by a build run to its end.
TEST(Faults, KilledAnywhereLeavesOnlyWholeFiles) {
  Case c("kill");
  const std::string source = c.src + "Lib.pb";
  ASSERT_TRUE(platform::write_file(source, library_source("Lib")));
  const std::string preload = "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=\"" + std::string(LH_KILL_AT_LIBRARY) +
                              "\" LH_KILL_COUNT_FILE=\"" + c.root + "count\"";
  ASSERT_EQ(build(c, source, preload + " LH_KILL_AT=0").status, 0);
  const long total = std::atol(text_of(c.root + "count").c_str());
  ASSERT_GT(total, 50);
  const std::vector<std::string> paths = outputs_of(c, "Lib", true);
  const std::map<std::string, std::string> reference = contents(paths);
  ASSERT_EQ(reference.size(), paths.size());

  std::printf("moment | step reached | outputs present | outputs complete\n");
  for (int i = 0; i < 50; ++i) {
    const long at = 1 + i * (total - 1) / 49;
    Said killed = build(c, source, preload + " LH_KILL_AT=" + std::to_string(at));
    EXPECT_EQ(killed.status, 128 + SIGKILL) << "moment " << at;
    int present = 0, whole = 0;
    for (const std::string& p : paths) {
      if (!platform::is_file(p)) continue;
      ++present;
      if (complete(p, reference))
        ++whole;
      else
        ADD_FAILURE() << p << " is cut short after the kill at moment " << at;
    }
    std::printf("%4ld/%ld | %s | %d of %zu | %d\n", at, total, last_step(killed).c_str(), present, paths.size(), whole);
    Said again = build(c, source);
    ASSERT_EQ(again.status, 0) << "rebuild after moment " << at;
    for (const std::string& p : paths) EXPECT_TRUE(complete(p, reference)) << p << " after moment " << at;
    EXPECT_EQ(leftovers(c.root), std::vector<std::string>()) << "after moment " << at;
  }
}

// A tmpfs of `size` mounted at `folder`, filled to leave `room` bytes.
bool mount_small(const std::string& folder, const char* size) {
  platform::create_folder(folder);
  return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size) == 0;
}

void fill_to_leave(const std::string& folder, long room) {
  platform::delete_file(folder + "filler");
  struct statvfs fs {};
  ASSERT_EQ(statvfs(folder.c_str(), &fs), 0);
  const long free_bytes = static_cast<long>(fs.f_bavail * fs.f_frsize);
  if (free_bytes > room) platform::write_file(folder + "filler", std::string(free_bytes - room, 'f'));
}

// The work folder, then the library's folder, on a small disk left with 0,
// 1 KB and 100 KB: the build names the file and the reason, says "ok" only
// of complete files, and leaves no temporary file behind.
TEST(Faults, FullDiskIsNamedAndNothingCutIsClaimed) {
  Case c("full_disk");
  const std::string work_disk = c.root + "work_disk/", lib_disk = c.root + "lib_disk/";
  if (!mount_small(work_disk, "size=4m"))
    GTEST_SKIP() << "full disk: mounting a tmpfs is refused here (" << std::strerror(errno) << ")";
  ASSERT_TRUE(mount_small(lib_disk, "size=4m"));
  c.src = lib_disk;
  const std::string source = c.src + "Lib.pb";
  ASSERT_TRUE(platform::write_file(source, library_source("Lib")));
  ASSERT_EQ(build(c, source).status, 0);
  const std::vector<std::string> paths = outputs_of(c, "Lib", true);
  const std::map<std::string, std::string> reference = contents(paths);

  const std::string roomy_temp = c.temp;
  for (const std::string& full : {work_disk, lib_disk}) {
    for (long room : {0L, 1024L, 100L * 1024}) {
      SCOPED_TRACE(full + " with " + std::to_string(room) + " bytes left");
      for (const std::string& p : paths) platform::delete_file(p);
      c.temp = full == work_disk ? work_disk : roomy_temp;
      c.work = c.temp + "LibHammer/";
      const std::vector<std::string> checked = outputs_of(c, "Lib", true);
      fill_to_leave(full, room);
      Said said = build(c, source);
      const std::string err = text_of(c.root + "run.err");
      std::printf("%s disk, %ld bytes left: exit %d, last step %s; %s\n", full == work_disk ? "work" : "library", room,
                  said.status, last_step(said).c_str(), err.substr(0, err.find('\n')).c_str());
      bool claimed_all = true;
      for (const std::string& line : said.out) {
        if (line.rfind("ok ", 0) == 0)
          EXPECT_TRUE(complete(line.substr(3), reference)) << line;
        else if (line.rfind("missing ", 0) == 0)
          claimed_all = false;
      }
      if (said.status != 0) {
        EXPECT_EQ(said.status, 1) << err;
        EXPECT_FALSE(claimed_all) << err;
        EXPECT_TRUE(contains(err, "No space left on device")) << err;
      }
      for (const std::string& p : checked)
        if (platform::is_file(p)) {
          EXPECT_TRUE(complete(p, reference)) << p;
        }
      platform::delete_file(full + "filler");
      EXPECT_EQ(leftovers(full), std::vector<std::string>());
    }
  }
  ::umount2(work_disk.c_str(), MNT_DETACH);
  ::umount2(lib_disk.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace lh::test
