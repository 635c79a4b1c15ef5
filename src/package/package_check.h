// The seal of an installer executable and the checks the installer program
// makes before it writes anything. Shared by packaging (which seals) and
// the installer program (which checks), so written without the C++ library:
// plain C types and caller-given buffers.
//
// The seal is the RT_RCDATA resource "SUMS", added after the package
// resources: one line per package resource that the executable carries,
//
//   NAME SIZE CRC<CR><LF>
//
// NAME the resource name as in kPackageResourceNames, SIZE its length in
// decimal, CRC the CRC-32 of its bytes as eight upper-case hex digits.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace lh::package_check {

// The package resources, in the order packaging adds them. The installer
// looks them up without regard to letter case.
inline constexpr const char* kPackageResourceNames[] = {"NAME", "SOURCE",         "LIBRARY",
                                                        "CHM",  "SOURCE-TWEAKED", "RESIDENT"};
inline constexpr int kPackageResourceCount = 6;
inline constexpr const char kSumsResource[] = "SUMS";
// The longest seal: six lines of at most 15 + 1 + 10 + 1 + 8 + 2 bytes.
inline constexpr int kSumsMax = 6 * 37;

// CRC-32 (the polynomial of zip and PNG), continued from `crc` (0 to start).
uint32_t crc32(const void* data, size_t size, uint32_t crc = 0);

// Writes the seal's line for one resource into `out` (at least 40 bytes),
// NUL-terminated; returns its length.
int format_sum_line(char* out, const char* name, const void* data, uint32_t size);

// The same line from the data's size and CRC-32, for data that passed in
// pieces.
int format_sum_line_crc(char* out, const char* name, uint32_t size, uint32_t crc);

// Looks a package resource up in the executable: true with its bytes when it
// is there, false when it is missing.
typedef bool (*FindResource)(void* context, const char* name, const unsigned char** data, uint32_t* size);

// Checks every package resource against the seal `sums`: each one the seal
// lists must be there with its size and CRC, and the executable must carry
// no package resource that the seal does not list. True when the package is
// whole; otherwise false, with the reasons in `problem` (cut to
// `problem_size` bytes, NUL-terminated), one line per resource.
bool check_package(const char* sums, uint32_t sums_size, FindResource find, void* context, char* problem,
                   int problem_size);

// True when the `size` bytes at `data` lie inside one section of the loaded
// image at `image` (the program's own module, `image_size` bytes mapped), so
// that reading them cannot fault. A resource whose directory entry points
// elsewhere belongs to a damaged image.
bool span_in_image(const unsigned char* image, size_t image_size, const unsigned char* data, uint32_t size);

}  // namespace lh::package_check
