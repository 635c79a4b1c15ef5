#include "chm/compressed_section.h"

#include <string_view>

#include "chm/chm_bytes.h"

namespace lh::chm {
namespace {

constexpr std::string_view kLzxGuid = "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}";

void put_utf16(std::string& out, std::string_view ascii) {
  for (const char c : ascii) put_u16(out, static_cast<unsigned char>(c));
}

// Length-prefixed UTF-16 names with a NUL after each, the whole file's
// length in 16-bit words first.
std::string name_list() {
  std::string out;
  put_u16(out, 0);
  put_u16(out, 2);
  for (const std::string_view name : {std::string_view("Uncompressed"), std::string_view("MSCompressed")}) {
    put_u16(out, static_cast<uint32_t>(name.size()));
    put_utf16(out, name);
    put_u16(out, 0);
  }
  out[0] = static_cast<char>(out.size() / 2);
  return out;
}

std::string control_data(unsigned reset_interval_frames) {
  std::string out;
  put_u32(out, 6);  // 32-bit words that follow
  out += "LZXC";
  put_u32(out, 2);  // version 2: sizes in units of 32 KB
  put_u32(out, reset_interval_frames);
  put_u32(out, (1u << kWindowBits) / kLzxFrameSize);
  put_u32(out, 1);
  put_u32(out, 0);
  return out;
}

std::string reset_table(const LzxStream& s) {
  std::string out;
  put_u32(out, 2);
  put_u32(out, static_cast<uint32_t>(s.frame_offsets.size()));
  put_u32(out, 8);     // entry size
  put_u32(out, 0x28);  // header size
  put_u64(out, s.uncompressed_size);
  put_u64(out, s.compressed_size);
  put_u64(out, kLzxFrameSize);
  for (const uint64_t offset : s.frame_offsets) put_u64(out, offset);
  return out;
}

}  // namespace

std::vector<NamedFile> compressed_section_files(const LzxStream& stream, unsigned reset_interval_frames) {
  const std::string storage = "::DataSpace/Storage/MSCompressed/";
  std::string span;
  put_u64(span, stream.uncompressed_size);
  std::string transforms;
  put_utf16(transforms, kLzxGuid);
  const std::string instance = storage + "Transform/" + std::string(kLzxGuid) + "/InstanceData/";
  return {
      {"::DataSpace/NameList", name_list()},
      {storage + "ControlData", control_data(reset_interval_frames)},
      {storage + "SpanInfo", span},
      {storage + "Transform/List", transforms},
      {instance, ""},
      {instance + "ResetTable", reset_table(stream)},
  };
}

}  // namespace lh::chm
