#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include "fakes/forwarding_file_system.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/memory_file_system.h"
#include "platform/process.h"

namespace lh::platform {
namespace {

std::string root() { return separator() == '\\' ? "C:\\" : "/"; }

// A disk that fills up: a write larger than `room` bytes fails, as a write
// to a full disk does, after it has put what fitted into the file.
class FullDisk final : public test::ForwardingFileSystem {
 public:
  explicit FullDisk(size_t room) : ForwardingFileSystem(inner), room_(room) {}
  MemoryFileSystem inner{false};
  bool write_file(const std::string& p, std::string_view d) override {
    if (d.size() <= room_) return inner.write_file(p, d);
    inner.write_file(p, d.substr(0, room_));
    return false;
  }
  bool names_fold_case() const override { return false; }
  std::string error_text() override { return "No space left on device"; }

 private:
  size_t room_;
};

// A write that does not fit keeps the old file whole and leaves no
// temporary file; one that fits replaces it; a temporary file a killed run
// left is removed by the next write, one of a name that is not ours stays.
TEST(WholeFile, OldFileStaysUntilTheNewOneIsComplete) {
  FullDisk disk(16);
  const std::string folder = root() + "lib" + separator();
  const std::string path = folder + "Lib.exe";
  ASSERT_TRUE(disk.create_folder(folder));
  ASSERT_TRUE(disk.inner.write_file(path, "old"));
  ASSERT_TRUE(disk.inner.write_file(temporary_name_for(path), "cut sho"));  // as a killed run leaves it
  ASSERT_TRUE(disk.inner.write_file(path + ".lhtmpnotes", "the author's"));

  WriteFailure failure;
  EXPECT_FALSE(write_whole(disk, path, "far too long for the disk", &failure));
  EXPECT_EQ(failure.text(), path + ": No space left on device");
  std::string data;
  ASSERT_TRUE(disk.read_file(path, data));
  EXPECT_EQ(data, "old");
  EXPECT_EQ(disk.inner.files().size(), 2u);  // Lib.exe and the author's file

  EXPECT_TRUE(copy_whole(disk, path + ".lhtmpnotes", folder + "Copy.txt"));
  EXPECT_FALSE(copy_whole(disk, folder + "Missing.txt", folder + "Copy.txt", &failure));
  EXPECT_EQ(failure.path, folder + "Copy.txt");
  ASSERT_TRUE(disk.read_file(folder + "Copy.txt", data));
  EXPECT_EQ(data, "the author's");
}

TEST(WholeFile, ReplacesAFileOnTheRealDisk) {
  const std::string path = temp_folder() + "lh_whole_file_test.txt";
  ASSERT_TRUE(write_file(path, "old"));
  ASSERT_TRUE(write_whole(real_file_system(), path, "new and longer"));
  std::string data;
  ASSERT_TRUE(read_file(path, data));
  EXPECT_EQ(data, "new and longer");
  EXPECT_FALSE(exists(temporary_name_for(path)));
  delete_file(path);
}

// One holder at a time; a second one waits, hears once whom it waits for,
// and gives up when told to stop; once the lock is let go it is had at once.
TEST(FileLock, OneHolderAtATime) {
  const std::string path = temp_folder() + "lh_file_lock_test.lock";
  std::unique_ptr<FileLock> first = try_lock_file(path);
  ASSERT_NE(first, nullptr);
  std::string error;
  EXPECT_EQ(try_lock_file(path, &error), nullptr);
  EXPECT_EQ(error, "");  // held, not broken
  EXPECT_EQ(lock_holder(path), current_process_id());

  int told = 0, asked = 0;
  unsigned long holder = 0;
  auto second = wait_for_lock(
      path,
      [&](unsigned long pid) {
        ++told;
        holder = pid;
      },
      [&] { return ++asked == 3; });
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(told, 1);
  EXPECT_EQ(holder, current_process_id());

  first.reset();
  second = wait_for_lock(path, [&](unsigned long) { ++told; }, {});
  EXPECT_NE(second, nullptr);
  EXPECT_EQ(told, 1);
  second.reset();

  EXPECT_EQ(try_lock_file(root() + "no such folder" + separator() + "x.lock", &error), nullptr);
  EXPECT_NE(error, "");
  delete_file(path);
}

}  // namespace
}  // namespace lh::platform
