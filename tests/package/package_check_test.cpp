// The seal of the installer executable and the installer's check of it,
// on resources held in memory: a whole package passes, and each kind of
// damage is named in the problem text.
#include "package/package_check.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace lh::package_check {
namespace {

using Resources = std::map<std::string, std::string>;

bool find(void* context, const char* name, const unsigned char** data, uint32_t* size) {
  auto* all = static_cast<const Resources*>(context);
  auto it = all->find(name);
  if (it == all->end()) return false;
  *data = reinterpret_cast<const unsigned char*>(it->second.data());
  *size = static_cast<uint32_t>(it->second.size());
  return true;
}

std::string seal(const Resources& all) {
  std::string sums;
  for (const char* name : kPackageResourceNames) {
    auto it = all.find(name);
    if (it == all.end()) continue;
    char line[40];
    int n = format_sum_line(line, name, it->second.data(), static_cast<uint32_t>(it->second.size()));
    sums.append(line, static_cast<size_t>(n));
  }
  return sums;
}

// Empty when the check passes, else its problem text.
std::string problems(const std::string& sums, Resources all) {
  char text[512];
  bool whole = check_package(sums.data(), static_cast<uint32_t>(sums.size()), find, &all, text, sizeof text);
  EXPECT_EQ(whole, text[0] == 0) << text;
  return text;
}

const Resources kPackage = {{"NAME", "Strings\r\n1.2\r\n"},
                            {"SOURCE", "ProcedureDLL Len2(s$)\r\nEndProcedure\r\n"},
                            {"CHM", std::string("ITSF\0\1manual", 12)}};

TEST(PackageCheck, SealIsTheSizeAndCrcOfEachResource) {
  EXPECT_EQ(crc32("123456789", 9), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(seal({{"CHM", "123456789"}}), "CHM 9 CBF43926\r\n");
  EXPECT_EQ(problems(seal(kPackage), kPackage), "");
  EXPECT_EQ(problems("", {}), "");
}

TEST(PackageCheck, EveryKindOfDamageIsNamed) {
  const std::string sums = seal(kPackage);
  Resources cut = kPackage;
  cut["CHM"].resize(5);
  EXPECT_EQ(problems(sums, cut), "CHM: 5 bytes instead of 12\r\n");
  Resources changed = kPackage;
  changed["SOURCE"][3] ^= 1;
  EXPECT_EQ(problems(sums, changed), "SOURCE: its bytes have changed\r\n");
  Resources missing = kPackage;
  missing.erase("NAME");
  EXPECT_EQ(problems(sums, missing), "NAME: missing\r\n");
  Resources extra = kPackage;
  extra["LIBRARY"] = "lib";
  EXPECT_EQ(problems(sums, extra), "LIBRARY: not covered by the checksums\r\n");
  // A seal that cannot be read is damage too: cut short, a changed byte,
  // a line twice.
  for (const std::string& bad :
       {sums.substr(0, sums.size() - 1), "X" + sums, sums + sums, std::string("CHM 12 bcf42096\r\n")})
    EXPECT_EQ(problems(bad, kPackage), "The list of checksums is unreadable.\r\n") << bad;
}

TEST(PackageCheck, ASpanMustLieInsideOneSection) {
  // Headers at 0 with one section at 0x1000 of 0x200 bytes.
  std::string image(0x1400, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3c] = 0x40;
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  image[0x46] = 1;                        // one section
  image[0x54] = static_cast<char>(0xE0);  // optional header size
  size_t section = 0x40 + 24 + 0xE0;
  image[section + 9] = 0x02;   // virtual size 0x200
  image[section + 13] = 0x10;  // virtual address 0x1000
  const auto* base = reinterpret_cast<const unsigned char*>(image.data());
  EXPECT_TRUE(span_in_image(base, image.size(), base + 0x1000, 0x200));
  EXPECT_TRUE(span_in_image(base, image.size(), base + 0x11ff, 1));
  EXPECT_FALSE(span_in_image(base, image.size(), base + 0x1100, 0x101));
  EXPECT_FALSE(span_in_image(base, image.size(), base + 0x800, 4));  // between headers and section
  EXPECT_FALSE(span_in_image(base, image.size(), base + 0x1000, 0xFFFFFFFFu));
  EXPECT_FALSE(span_in_image(base, 0x1100, base + 0x1000, 0x200));  // past the mapped image
}

}  // namespace
}  // namespace lh::package_check
