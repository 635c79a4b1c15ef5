// The portable resource writer on the real installer program images, the
// 32-bit (PE32) and the 64-bit one (PE32+), with the same cases: what it
// adds reads back byte for byte, the program's own resources stay, and the
// headers stay consistent with the new layout.
#include "pe/pe_resources.h"

#include <gtest/gtest.h>

#include <cstring>

#include "package/packaging.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace lh {
namespace {

uint32_t u32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}
uint16_t u16(const std::string& s, size_t at) {
  uint16_t v;
  std::memcpy(&v, s.data() + at, 2);
  return v;
}

// `dirs` is where the data directories start: PE32+ has 16 bytes more of
// optional header before them.
struct Headers {
  uint32_t opt, dirs, sections;
  uint16_t count;
};
Headers headers(const std::string& image) {
  uint32_t pe = u32(image, 0x3c);
  Headers h;
  h.opt = pe + 24;
  h.dirs = h.opt + (u16(image, h.opt) == 0x20b ? 112 : 96);
  h.count = u16(image, pe + 6);
  h.sections = h.opt + u16(image, pe + 20);
  return h;
}

// The installer images of the build: its own, and in the Linux build also
// the 64-bit tree's.
std::vector<std::string> installer_paths() {
  std::vector<std::string> paths = {LH_INSTALLER_EXE};
#ifdef LH_INSTALLER_EXE64
  paths.push_back(LH_INSTALLER_EXE64);
#endif
  return paths;
}

std::string read_image(const std::string& path) {
  std::string image;
  platform::read_file(path, image);
  return image;
}

std::string installer_image() { return read_image(LH_INSTALLER_EXE); }

// Bytes that exercise the copy: every byte value, odd length.
std::string sample(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed) & 0xff);
  return s;
}

class PeWriter : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    image = read_image(GetParam());
    if (image.empty()) GTEST_SKIP() << "no installer image at '" << GetParam() << "'";
    ASSERT_TRUE(pe::read_resources(image, original));
  }
  std::string image;
  std::vector<pe::Resource> original;
};

TEST_P(PeWriter, PackageResourcesReadBackAndOwnResourcesStay) {
  std::vector<std::string> data;
  unsigned seed = 1;
  for (const char* name : kPackageResources) {
    data.push_back(sample(1000 * seed + seed, seed));
    std::string error;
    ASSERT_TRUE(pe::add_rcdata(image, name, data.back(), false, &error)) << error;
    ++seed;
  }
  std::vector<pe::Resource> now;
  ASSERT_TRUE(pe::read_resources(image, now));
  ASSERT_EQ(now.size(), original.size() + 6);
  for (size_t i = 0; i < 6; ++i) {
    const pe::Resource* r = pe::find_resource(now, pe::kRtRcData, kPackageResources[i]);
    ASSERT_NE(r, nullptr) << kPackageResources[i];
    EXPECT_TRUE(r->data == data[i]) << kPackageResources[i];
    EXPECT_EQ(r->language, 0);
  }
  // Looked up without regard to case, as the installer asks for "Name".
  EXPECT_NE(pe::find_resource(now, pe::kRtRcData, "Name"), nullptr);
  // Icon, icon group and manifest: same keys, same bytes.
  bool manifest = false, icon = false;
  for (const pe::Resource& old : original) {
    bool kept = false;
    for (const pe::Resource& r : now)
      kept |= r.type.id == old.type.id && r.name.id == old.name.id && r.name.name == old.name.name &&
              r.language == old.language && r.data == old.data;
    EXPECT_TRUE(kept) << "type " << old.type.id;
    manifest |= old.type.id == pe::kRtManifest;
    icon |= old.type.id == pe::kRtGroupIcon;
  }
  EXPECT_TRUE(manifest);
  EXPECT_TRUE(icon);
}

TEST_P(PeWriter, TreeBecomesTheLastSectionAndHeadersFollow) {
  Headers before = headers(image);
  ASSERT_TRUE(pe::add_rcdata(image, "SOURCE", sample(5000, 3), false));
  Headers h = headers(image);
  // The linker puts relocations after the resources: the tree moves to a
  // new last section once; later updates rewrite that section in place.
  uint16_t count = h.count;
  EXPECT_GE(count, before.count);
  ASSERT_TRUE(pe::add_rcdata(image, "CHM", sample(70000, 4), false));
  ASSERT_TRUE(pe::add_rcdata(image, "SOURCE", sample(10, 5), false));  // replaces
  h = headers(image);
  EXPECT_EQ(h.count, count);

  uint32_t last = h.sections + (h.count - 1) * 40;
  EXPECT_EQ(std::string(image.data() + last, 5), ".rsrc");
  // The old tree, left behind where it moved, goes by another name, so that
  // a lookup by section name finds the new one.
  int named_rsrc = 0;
  for (uint16_t i = 0; i < h.count; ++i)
    named_rsrc += std::memcmp(image.data() + h.sections + i * 40, ".rsrc\0", 6) == 0;
  EXPECT_EQ(named_rsrc, 1);
  uint32_t va = u32(image, last + 12), vsize = u32(image, last + 8);
  uint32_t raw_size = u32(image, last + 16), raw_at = u32(image, last + 20);
  EXPECT_EQ(u32(image, h.dirs + 16), va);  // resource directory
  EXPECT_EQ(u32(image, h.dirs + 20), vsize);
  uint32_t section_align = u32(image, h.opt + 32);
  EXPECT_EQ(u32(image, h.opt + 56), (va + vsize + section_align - 1) / section_align * section_align);
  EXPECT_EQ(image.size(), size_t(raw_at) + raw_size);
  EXPECT_EQ(u32(image, h.opt + 64), pe::image_checksum(image));

  // SizeOfInitializedData moves with the resource section's raw size.
  uint32_t init_before = u32(image, h.opt + 8);
  ASSERT_TRUE(pe::add_rcdata(image, "LIBRARY", sample(9000, 6), false));
  uint32_t raw_after = u32(image, last + 16);
  EXPECT_EQ(u32(image, h.opt + 8), init_before - raw_size + raw_after);

  std::vector<pe::Resource> now;
  ASSERT_TRUE(pe::read_resources(image, now));
  EXPECT_TRUE(pe::find_resource(now, pe::kRtRcData, "SOURCE")->data == sample(10, 5));
  EXPECT_TRUE(pe::find_resource(now, pe::kRtRcData, "CHM")->data == sample(70000, 4));
}

// An empty resource (a manual of no bytes) has nothing to point at; the
// resources after it must still keep their own bytes when more are added.
TEST_P(PeWriter, EmptyResourceKeepsTheOthersInStep) {
  ASSERT_TRUE(pe::add_rcdata(image, "CHM", "", false));
  ASSERT_TRUE(pe::add_rcdata(image, "LIBRARY", sample(3000, 1), false));
  ASSERT_TRUE(pe::add_rcdata(image, "SOURCE", sample(500, 2), false));
  std::vector<pe::Resource> now;
  ASSERT_TRUE(pe::read_resources(image, now));
  ASSERT_EQ(now.size(), original.size() + 3);
  EXPECT_TRUE(pe::find_resource(now, pe::kRtRcData, "CHM")->data.empty());
  EXPECT_TRUE(pe::find_resource(now, pe::kRtRcData, "LIBRARY")->data == sample(3000, 1));
  EXPECT_TRUE(pe::find_resource(now, pe::kRtRcData, "SOURCE")->data == sample(500, 2));
}

TEST_P(PeWriter, ReplaceAllDropsOwnResources) {
  ASSERT_TRUE(pe::add_rcdata(image, "NAME", "A\r\n1\r\n", true));
  std::vector<pe::Resource> now;
  ASSERT_TRUE(pe::read_resources(image, now));
  ASSERT_EQ(now.size(), 1u);
  EXPECT_EQ(now[0].data, "A\r\n1\r\n");
}

using PeWriterInput = PeWriter;

TEST_P(PeWriterInput, DamagedImagesAreRefusedAndLeftAlone) {
  for (const std::string& bad : {std::string("MZ"), std::string("not an executable at all"), image.substr(0, 0x200),
                                 image.substr(0, image.size() / 2)}) {
    std::string copy = bad;
    std::string error;
    EXPECT_FALSE(pe::add_rcdata(copy, "NAME", "x", false, &error));
    EXPECT_EQ(copy, bad);
    EXPECT_FALSE(error.empty());
  }
  // A resource directory pointing outside the image.
  std::string broken = image;
  Headers h = headers(broken);
  uint32_t bad_rva = 0x7fff0000;
  std::memcpy(&broken[h.dirs + 16], &bad_rva, 4);
  std::vector<pe::Resource> out;
  EXPECT_FALSE(pe::read_resources(broken, out));
  EXPECT_TRUE(out.empty());
}

// Damage the fuzzer found: a tree that shares a directory (which multiplies
// the work and memory with each level), a header size past the end of the
// file (the new section's bytes went inside it, and the next update found
// no room), and sections without file bytes (whose rewrite lost the
// headers).
TEST_P(PeWriterInput, DamagedLayoutsAreRefusedOrRewrittenWhole) {
  // Once written to, the tree is the last section.
  ASSERT_TRUE(pe::add_rcdata(image, "NAME", "x", false));
  Headers h = headers(image);
  uint32_t last = h.sections + (h.count - 1) * 40;
  uint32_t tree_at = u32(image, last + 20);
  ASSERT_EQ(u32(image, h.dirs + 16), u32(image, last + 12));
  ASSERT_GE(u16(image, tree_at + 14), 2);  // numbered types: icon, manifest...
  auto put32 = [](std::string& s, size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); };
  std::vector<pe::Resource> out;

  std::string shared = image;  // the root's second entry leads where its first does
  put32(shared, tree_at + 28, u32(image, tree_at + 20));
  EXPECT_FALSE(pe::read_resources(shared, out));

  std::string long_headers = image;  // headers said to run past the end of the file
  put32(long_headers, h.opt + 60, static_cast<uint32_t>(image.size()) + 0x200);
  std::string before = long_headers;
  EXPECT_FALSE(pe::add_rcdata(long_headers, "NAME", "y", false));
  EXPECT_EQ(long_headers, before);

  std::string bare = image;  // no section holds file bytes, no resources
  for (uint32_t i = 0; i < h.count; ++i) put32(bare, h.sections + i * 40 + 16, 0);
  put32(bare, h.dirs + 16, 0);
  put32(bare, h.dirs + 20, 0);
  ASSERT_TRUE(pe::add_rcdata(bare, "NAME", "Strings\r\n", false));
  uint32_t signature_end = u32(image, 0x3c) + 4;  // the DOS header, its stub and "PE\0\0" stay
  EXPECT_EQ(bare.substr(0, signature_end), image.substr(0, signature_end));
  ASSERT_TRUE(pe::read_resources(bare, out));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].data, "Strings\r\n");
}

// Each image's cases are named by its format.
std::string width_of(const ::testing::TestParamInfo<std::string>& info) {
  std::string image = read_image(info.param);
  if (image.size() < 0x40) return "Missing" + std::to_string(info.index);
  return u16(image, headers(image).opt) == 0x20b ? "Pe32Plus" : "Pe32";
}

INSTANTIATE_TEST_SUITE_P(Images, PeWriter, ::testing::ValuesIn(installer_paths()), width_of);
INSTANTIATE_TEST_SUITE_P(Images, PeWriterInput, ::testing::ValuesIn(installer_paths()), width_of);

TEST(PackageResource, FileMustHoldBytes) {
  std::string image = installer_image();
  if (image.empty()) GTEST_SKIP();
  std::string dir = ::testing::TempDir();
  std::string exe = dir + "lh_pkg_res.exe", empty = dir + "lh_pkg_empty.txt", full = dir + "lh_pkg_full.txt";
  ASSERT_TRUE(platform::write_file(exe, image));
  ASSERT_TRUE(platform::write_file(empty, ""));
  ASSERT_TRUE(platform::write_file(full, "library bytes"));
  platform::FileSystem& files = platform::real_file_system();
  std::string error;
  EXPECT_FALSE(add_package_resource(files, exe, dir + "lh_pkg_missing.txt", "SOURCE", false, &error));
  EXPECT_NE(error.find("lh_pkg_missing.txt"), std::string::npos) << error;
  EXPECT_FALSE(add_package_resource(files, exe, empty, "SOURCE", false));
  EXPECT_FALSE(add_package_resource(files, exe, dir, "SOURCE", false));  // a folder
  std::string unchanged;
  platform::read_file(exe, unchanged);
  EXPECT_EQ(unchanged, image);
  EXPECT_TRUE(add_package_resource(files, exe, full, "SOURCE", false));
  std::string written;
  platform::read_file(exe, written);
  std::vector<pe::Resource> res;
  ASSERT_TRUE(pe::read_resources(written, res));
  ASSERT_NE(pe::find_resource(res, pe::kRtRcData, "SOURCE"), nullptr);
  EXPECT_EQ(pe::find_resource(res, pe::kRtRcData, "SOURCE")->data, "library bytes");
  EXPECT_FALSE(add_package_resource(files, dir + "lh_pkg_no.exe", full, "SOURCE", false));
  platform::delete_file(exe);
  platform::delete_file(empty);
  platform::delete_file(full);
}

// The installer written in one pass, its resources read from their files as
// they go in, is the executable that adding them one after another and
// sealing makes: also with the checksum set and bytes behind the sections,
// which the pass sums and copies without holding the image. A damaged image
// leaves no file behind.
TEST(StreamedInstaller, SameBytesAsOneUpdateAfterAnother) {
  std::string image = installer_image();
  if (image.empty()) GTEST_SKIP();
  const std::string dir = ::testing::TempDir();
  std::vector<PackagePart> parts = {{"NAME", "", "Strings\r\n1.2\r\n"}};
  unsigned seed = 1;
  for (const char* name : {"SOURCE", "LIBRARY", "CHM", "SOURCE-TWEAKED"}) {
    parts.push_back({name, dir + "lh_stream_" + name, ""});
    ASSERT_TRUE(platform::write_file(parts.back().file, sample(3000 * seed * seed + seed, seed)));
    ++seed;
  }
  parts.push_back({"RESIDENT", dir + "lh_stream_missing", ""});
  std::string marked = image;
  std::memcpy(&marked[headers(image).opt + 64], "\x01\0\0\0", 4);  // a checksum to keep
  marked += std::string(1001, '\x5a');                             // and an overlay

  for (const std::string& base : {image, marked}) {
    std::string expected = base;
    ASSERT_TRUE(pe::add_rcdata(expected, "NAME", parts[0].bytes, false));
    for (size_t i = 1; i < parts.size(); ++i) {
      std::string bytes;
      if (platform::read_file(parts[i].file, bytes)) {
        ASSERT_TRUE(pe::add_rcdata(expected, parts[i].name, bytes, false));
      }
    }
    std::vector<pe::Resource> added;
    ASSERT_TRUE(pe::read_resources(expected, added));
    ASSERT_TRUE(pe::add_rcdata(expected, "SUMS", package_sums(added), false));
    const std::string new_way = dir + "lh_stream_new.exe";
    std::string problem;
    ASSERT_TRUE(write_installer(platform::real_file_system(), new_way, base, parts, &problem)) << problem;
    std::string got;
    ASSERT_TRUE(platform::read_file(new_way, got));
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    if (base == marked) {
      EXPECT_EQ(u32(got, headers(got).opt + 64), pe::image_checksum(got));
    }
    std::vector<pe::Resource> res;
    ASSERT_TRUE(pe::read_resources(got, res));
    EXPECT_TRUE(package_is_whole(res));
    platform::delete_file(new_way);
  }

  std::string damaged = image;
  std::memcpy(&damaged[u32(image, 0x3c)], "XX", 2);
  std::string problem;
  EXPECT_FALSE(write_installer(platform::real_file_system(), dir + "lh_stream_damaged.exe", damaged, parts, &problem));
  EXPECT_FALSE(problem.empty());
  EXPECT_FALSE(platform::exists(dir + "lh_stream_damaged.exe"));
  for (const PackagePart& p : parts)
    if (!p.file.empty()) platform::delete_file(p.file);
}

}  // namespace
}  // namespace lh
