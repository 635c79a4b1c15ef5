// Writes a generated HTML Help project of about the given size, for runs of
// `libhammer chm` on manuals far larger than a library's:
//   write_help_project MEGABYTES FOLDER [--search]
// Half of the bytes are pages of text (about 20 KB each, linked from the
// contents file and from each other), half are images of random bytes
// (1 MB each, shown by the pages), which do not compress. With --search the
// project asks for the full-text index. The same arguments give the same
// bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Rng {
  uint64_t s = 0x9E3779B97F4A7C15ull;
  uint32_t next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return static_cast<uint32_t>(s >> 16);
  }
};

bool write(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) std::fprintf(stderr, "write_help_project: cannot write %s\n", path.c_str());
  return ok;
}

const char* const kWords[] = {"window", "gadget",  "string", "memory", "list",   "map",     "thread",   "mutex",
                              "file",   "folder",  "image",  "sprite", "sound",  "socket",  "packet",   "event",
                              "menu",   "toolbar", "status", "font",   "colour", "printer", "registry", "date"};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: write_help_project MEGABYTES FOLDER [--search]\n");
    return 2;
  }
  const long megabytes = std::strtol(argv[1], nullptr, 10);
  const std::string folder = std::string(argv[2]) + "/";
  const bool search = argc == 4 && std::string(argv[3]) == "--search";
  const uint64_t half = static_cast<uint64_t>(megabytes) << 19;
  constexpr size_t kImage = size_t{1} << 20;
  constexpr size_t kPage = 20000;
  const size_t images = static_cast<size_t>(half / kImage);
  const size_t pages = static_cast<size_t>(half / kPage) + 1;
  Rng rng;
  std::error_code error;
  std::filesystem::create_directories(folder + "images", error);
  std::filesystem::create_directories(folder + "pages", error);

  std::string image(kImage, '\0');
  for (size_t i = 0; i < images; ++i) {
    for (size_t k = 0; k < kImage; k += 4) {
      const uint32_t v = rng.next();
      for (size_t b = 0; b < 4; ++b) image[k + b] = static_cast<char>(v >> (8 * b));
    }
    if (!write(folder + "images/picture" + std::to_string(i) + ".gif", image)) return 1;
  }
  std::string contents = "<HTML><BODY><UL>\r\n";
  for (size_t p = 0; p < pages; ++p) {
    const std::string name = "page" + std::to_string(p);
    std::string html = "<HTML><HEAD><TITLE>" + name + "</TITLE></HEAD><BODY>\r\n<H1>" + name + "</H1>\r\n";
    if (images) html += "<IMG SRC=\"../images/picture" + std::to_string(p % images) + ".gif\">\r\n";
    html += "<A HREF=\"page" + std::to_string((p + 1) % pages) + ".html\">next</A>\r\n";
    while (html.size() < kPage) {
      html += "<P>";
      for (int w = 0; w < 14; ++w) html += std::string(kWords[rng.next() % 24]) + " ";
      html += std::to_string(rng.next() % 100000) + "</P>\r\n";
    }
    html += "</BODY></HTML>\r\n";
    if (!write(folder + "pages/" + name + ".html", html)) return 1;
    contents += "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + name +
                "\"><param name=\"Local\" value=\"pages/" + name + ".html\"></OBJECT>\r\n";
  }
  contents += "</UL></BODY></HTML>\r\n";
  std::string project =
      "[OPTIONS]\r\nCompiled file=Large.chm\r\nContents file=Large.hhc\r\n"
      "Default topic=pages/page0.html\r\nTitle=Large manual\r\nLanguage=0x409\r\n";
  if (search) project += "Full-text search=Yes\r\n";
  return write(folder + "Large.hhc", contents) && write(folder + "Large.hhp", project) ? 0 : 1;
}
