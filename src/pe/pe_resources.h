// Reading and rewriting the resources of a Windows executable (PE32 or PE32+)
// held in memory, without the Windows API. Packaging uses it on systems
// where BeginUpdateResourceA does not exist; tests use the reader to check
// what either path wrote.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lh::pe {

constexpr uint32_t kRtIcon = 3;
constexpr uint32_t kRtRcData = 10;
constexpr uint32_t kRtGroupIcon = 14;
constexpr uint32_t kRtManifest = 24;

// A type or name of the resource tree: a number, or a string when `name`
// is not empty (UTF-16 code units as stored in the image).
struct ResourceKey {
  uint32_t id = 0;
  std::u16string name;
  bool named() const { return !name.empty(); }
};

struct Resource {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  uint32_t codepage = 0;
  std::string data;
};

// Every resource of the image, in the order of its tree. False (and `out`
// left empty) when the image is neither PE32 nor PE32+ or its resource tree is damaged.
// An image without resources gives true and an empty list.
bool read_resources(std::string_view image, std::vector<Resource>& out);

// Replaces the image's whole resource tree by `resources`. The new tree
// becomes the last section: in place when the old resource section already
// is the last one, else as a new section after the others. The resource
// data directory, SizeOfImage, SizeOfInitializedData and (when it was set)
// the checksum are brought up to date. On failure the image is unchanged
// and `error` says why.
bool write_resources(std::string& image, const std::vector<Resource>& resources, std::string* error = nullptr);

// Adds the bytes as an RT_RCDATA resource with the string name (stored in
// upper case, as FindResourceA looks names up) and language 0, replacing a
// resource of the same name and language. With `replace_all` the image's
// other resources are dropped first.
bool add_rcdata(std::string& image, std::string_view name, std::string_view data, bool replace_all,
                std::string* error = nullptr);

// A resource whose bytes are not held in memory: its keys (`resource.data`
// unused), its size, and `read`, which passes the bytes to `put` in order,
// block by block, `size` of them in all; false when they cannot be had (or
// `put` refuses them).
struct ResourceSource {
  Resource resource;
  uint32_t size = 0;
  std::function<bool(const std::function<bool(std::string_view)>& put)> read;
};

// Where an image written as it is made goes: bytes in order, and a late
// change of a few bytes already written (the checksum in the headers).
class ImageSink {
 public:
  virtual bool write(std::string_view bytes) = 0;
  virtual bool write_at(uint64_t offset, std::string_view bytes) = 0;

 protected:
  ~ImageSink() = default;
};

// The image with RT_RCDATA resources added, as add_rcdata would leave it
// after adding them one after another (the image's own resources stay, one
// of the same name and language is replaced), written to `sink` without
// holding the added bytes: each source is read when its turn in the tree
// comes, in the tree's order (named resources by name), and the checksum
// is computed as the bytes pass. Names are taken as add_rcdata takes them.
// False, with `error` saying why, when the image is not one to rewrite, the
// whole would not fit an executable (2 GB), a source fails, or the sink
// does; `sink` may then hold part of an image.
bool write_rcdata_streamed(std::string_view image, const std::vector<ResourceSource>& added, ImageSink& sink,
                           std::string* error = nullptr);

// The resource of the given type and (case-insensitive) string name, any
// language; nullptr when there is none.
const Resource* find_resource(const std::vector<Resource>& resources, uint32_t type, std::string_view name);

// The PE checksum of the image (as CheckSumMappedFile computes it), with
// the stored checksum field counted as zero.
uint32_t image_checksum(std::string_view image);

}  // namespace lh::pe
