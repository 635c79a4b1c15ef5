#include "platform/memory_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lh::platform {
namespace {

std::string root() { return separator() == '\\' ? "C:\\" : "/"; }

std::vector<std::string> names(const std::vector<FolderEntry>& entries) {
  std::vector<std::string> out;
  out.reserve(entries.size());
  for (const FolderEntry& e : entries) out.push_back(e.name + (e.is_folder ? "/" : ""));
  std::sort(out.begin(), out.end());
  return out;
}

// The rules the build leans on: a file needs its folder, a folder goes only
// when empty, and a listing holds direct children only.
TEST(MemoryFileSystem, FoldersHoldWhatIsWrittenIntoThem) {
  MemoryFileSystem fs(false);
  const std::string work = root() + "work" + separator();
  EXPECT_FALSE(fs.write_file(work + "a.txt", "x"));
  ASSERT_TRUE(fs.create_folder(work));
  ASSERT_TRUE(fs.create_folder(work + "sub"));
  EXPECT_TRUE(fs.write_file(work + "a.txt", "one"));
  EXPECT_TRUE(fs.append_file(work + "a.txt", "two"));
  EXPECT_TRUE(fs.append_file(work + "sub" + separator() + "b.txt", "b"));
  std::string data;
  ASSERT_TRUE(fs.read_file(work + "a.txt", data));
  EXPECT_EQ(data, "onetwo");
  EXPECT_EQ(fs.file_size(work + "a.txt"), 6);
  EXPECT_EQ(fs.file_size(work + "sub"), -1);
  EXPECT_EQ(names(fs.list_folder(work)), (std::vector<std::string>{"a.txt", "sub/"}));
  EXPECT_FALSE(fs.remove_folder(work + "sub"));
  EXPECT_TRUE(fs.delete_file(work + "sub" + separator() + "b.txt"));
  EXPECT_TRUE(fs.remove_folder(work + "sub" + separator()));
  EXPECT_FALSE(fs.exists(work + "sub"));
  EXPECT_TRUE(fs.copy_file(work + "a.txt", work + "c.txt"));
  EXPECT_EQ(fs.files().at(work + "c.txt"), "onetwo");
}

TEST(MemoryFileSystem, FoldedNamesMeetAndKeepTheFirstSpelling) {
  MemoryFileSystem fs(true);
  const std::string work = root() + "Work" + separator();
  ASSERT_TRUE(fs.create_folder(work));
  EXPECT_TRUE(fs.write_file(work + "Foo.txt", "1"));
  EXPECT_TRUE(fs.write_file(root() + "WORK" + separator() + "foo.TXT", "2"));
  EXPECT_EQ(names(fs.list_folder(root() + "work")), (std::vector<std::string>{"Foo.txt"}));
  EXPECT_EQ(fs.files().at(work + "Foo.txt"), "2");

  MemoryFileSystem exact(false);
  ASSERT_TRUE(exact.create_folder(work));
  EXPECT_TRUE(exact.write_file(work + "Foo.txt", "1"));
  EXPECT_TRUE(exact.write_file(work + "foo.txt", "2"));
  EXPECT_EQ(exact.list_folder(work).size(), 2u);
}

// Streams behave as the real file's do: a block written, a header patched
// at its offset, read back in smaller blocks; nothing opens where no file
// can be.
TEST(MemoryFileSystem, StreamsWriteAndReadInBlocks) {
  MemoryFileSystem fs(false);
  const std::string work = root() + "w" + separator();
  ASSERT_TRUE(fs.create_folder(work));
  auto out = fs.open_output(work + "big.bin");
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(out->write("headerbody"));
  EXPECT_TRUE(out->write_at(0, "HEAD"));
  EXPECT_FALSE(out->write_at(8, "beyond the end"));
  EXPECT_FALSE(out->close()) << "a failed write is remembered";
  out = fs.open_output(work + "big.bin");
  ASSERT_NE(out, nullptr);
  EXPECT_TRUE(out->write("headerbody") && out->write_at(0, "HEAD") && out->close());
  EXPECT_EQ(out->size(), 10u);

  auto in = fs.open_input(work + "big.bin");
  ASSERT_NE(in, nullptr);
  std::string back;
  char block[3];
  for (int64_t n; (n = in->read(block, sizeof block)) > 0;) back.append(block, static_cast<size_t>(n));
  EXPECT_EQ(back, "HEADerbody");

  EXPECT_EQ(fs.open_input(work + "missing"), nullptr);
  EXPECT_EQ(fs.open_input(work), nullptr);
  EXPECT_EQ(fs.open_output(root() + "nofolder" + separator() + "x"), nullptr);
}

}  // namespace
}  // namespace lh::platform
