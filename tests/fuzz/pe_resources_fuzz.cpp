// The PE resource writer and the installer's resource reading. The input
// is an executable image (a damaged one, mostly): reading its resources
// either refuses it or gives resources that a rewrite keeps; adding a
// package resource and the seal gives an image whose resources read back,
// that the installer's check finds whole, and that it refuses once one
// byte of a package resource changes. The installer's span test must hold
// for every resource it is asked about and never read outside the image.
#include "fuzz_check.h"
#include "package/package_check.h"
#include "package/packaging.h"
#include "pe/pe_resources.h"

namespace pe = lh::pe;
namespace check = lh::package_check;

namespace {

bool same_key(const pe::Resource& a, const pe::Resource& b) {
  return a.type.id == b.type.id && a.type.name == b.type.name && a.name.id == b.name.id && a.name.name == b.name.name &&
         a.language == b.language;
}

// The same resources, in any order: the writer sorts each directory as
// Windows searches it, and keeps one of entries that share a key.
bool same(const std::vector<pe::Resource>& read, const std::vector<pe::Resource>& written) {
  for (const pe::Resource& w : written) {
    bool found = false;
    for (const pe::Resource& r : read) found = found || (same_key(r, w) && r.data == w.data);
    if (!found) return false;
  }
  for (const pe::Resource& r : read) {
    bool found = false;
    for (const pe::Resource& w : written) found = found || same_key(r, w);
    if (!found) return false;
  }
  return true;
}

// The installer's checks on the resources as read: the seal (when there is
// one) and the span of every resource, here with the file as the image.
void installer_reading(std::string_view image, const std::vector<pe::Resource>& resources) {
  lh::package_is_whole(resources);
  const auto* base = reinterpret_cast<const unsigned char*>(image.data());
  for (size_t at = 0; at + 4 <= image.size(); at += 997)
    check::span_in_image(base, image.size(), base + at, static_cast<uint32_t>(image.size() - at));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string image(reinterpret_cast<const char*>(data), size);
  std::vector<pe::Resource> resources;
  if (!pe::read_resources(image, resources)) {
    LH_FUZZ_CHECK(resources.empty(), "a refused image gave resources");
    std::string copy = image;
    LH_FUZZ_CHECK(!pe::add_rcdata(copy, "CHM", "x", false), "a refused image was written to");
    LH_FUZZ_CHECK(copy == image, "a refused image was changed");
    installer_reading(image, resources);
    return 0;
  }
  installer_reading(image, resources);

  // A rewrite with the same resources reads back the same.
  std::string rewritten = image;
  if (!pe::write_resources(rewritten, resources)) return 0;  // no room for a section
  std::vector<pe::Resource> again;
  LH_FUZZ_CHECK(pe::read_resources(rewritten, again), "a rewritten image cannot be read");
  LH_FUZZ_CHECK(same(resources, again), "a rewrite changed the resources");

  // A package resource and the seal, as packaging adds them.
  std::string payload = image.substr(0, 64);
  if (!pe::add_rcdata(rewritten, "chm", payload, false)) return 0;
  LH_FUZZ_CHECK(pe::read_resources(rewritten, again), "an image with a new resource cannot be read");
  const pe::Resource* added = pe::find_resource(again, pe::kRtRcData, "CHM");
  LH_FUZZ_CHECK(added && added->data == payload, "the added resource does not read back");
  std::string sums = lh::package_sums(again);
  LH_FUZZ_CHECK(pe::add_rcdata(rewritten, check::kSumsResource, sums, false), "the seal was not added");
  LH_FUZZ_CHECK(pe::read_resources(rewritten, again), "a sealed image cannot be read");
  const pe::Resource* seal = pe::find_resource(again, pe::kRtRcData, check::kSumsResource);
  LH_FUZZ_CHECK(seal && seal->data == sums, "the seal does not read back");
  LH_FUZZ_CHECK(lh::package_is_whole(again), "a freshly sealed package is taken for damaged");
  for (pe::Resource& r : again) {
    if (r.type.id != pe::kRtRcData || r.type.named() || r.data.empty() || &r == seal) continue;
    if (pe::find_resource(again, pe::kRtRcData, std::string(r.name.name.begin(), r.name.name.end())) != &r)
      continue;  // a resource of another language, which the installer does not see
    bool package = false;
    for (const char* name : check::kPackageResourceNames)
      package = package || pe::find_resource(again, pe::kRtRcData, name) == &r;
    if (!package) continue;
    r.data[r.data.size() / 2] ^= 0x20;
    LH_FUZZ_CHECK(!lh::package_is_whole(again), "a changed byte went unnoticed");
    r.data[r.data.size() / 2] ^= 0x20;
  }
  return 0;
}
