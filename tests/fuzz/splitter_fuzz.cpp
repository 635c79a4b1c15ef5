// The line reader and the splitter. The input is a library source (after an
// optional "chm.ini" that the include folder brought). The line reader must
// give back the bytes between the line ends; the in-memory splitter must
// leave the same model and the same work folder, byte for byte, as the
// literal line-by-line reading. Work folders live in a private folder of
// this process, under $TMPDIR, else in memory (/dev/shm).
#include <unistd.h>

#include <filesystem>
#include <map>

#include "fuzz_check.h"
#include "source/line_reader.h"
#include "source/literal_splitter.h"
#include "source/work_folder.h"

namespace fs = std::filesystem;

namespace {

std::string g_root;

void remove_root() {
  std::error_code ignored;
  fs::remove_all(g_root, ignored);
}

const std::string& root() {
  if (g_root.empty()) {
    // scripts/fuzz.sh hands each run a temporary folder of its own, which it
    // removes also after a crash; alone, the program works in memory.
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp ? tmp : fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/lh-fuzz-splitter-XXXXXX";
    LH_FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "no private temporary folder");
    g_root = pattern + "/";
    std::atexit(remove_root);
  }
  return g_root;
}

std::string fresh(const std::string& name) {
  std::string dir = root() + name;
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  fs::create_directory(dir);
  return dir + "/";
}

bool is_line_end(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// The lines joined with the line ends they had give back the input.
void check_lines(std::string_view bytes) {
  std::vector<std::string> lines = lh::split_lines(bytes);
  size_t at = 0;
  for (const std::string& line : lines) {
    for (char c : line) LH_FUZZ_CHECK(!is_line_end(c), "line end inside a line");
    LH_FUZZ_CHECK(bytes.substr(at, line.size()) == line, "line differs from the input");
    at += line.size();
    if (at == bytes.size()) break;
    LH_FUZZ_CHECK(is_line_end(bytes[at]), "line not followed by a line end");
    at += bytes.substr(at, 2) == "\r\n" ? 2 : 1;
  }
  LH_FUZZ_CHECK(at == bytes.size(), "lines do not cover the input");
}

std::string describe(const lh::ManualModel& m) {
  std::string out =
      m.library_version + "|" + std::to_string(m.exported_count) + "|" + std::to_string(m.lines.current) + "\n";
  for (const lh::ProcedureRecord& r : m.table.records)
    out += std::to_string(static_cast<int>(r.kind)) + "|" + r.return_suffix + "|" + r.name + "|" + r.parameters + "|" +
           r.description + "\n";
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lh::fuzz::Input in(data, size);
  bool brought_register = in.byte() & 1;
  std::string_view chm_ini = brought_register ? in.part('\x01') : std::string_view();
  std::string_view source = in.rest;
  check_lines(source);

  std::string source_path = root() + "Lib.pb";
  LH_FUZZ_CHECK(lh::platform::write_file(source_path, source), "cannot write the source");
  std::string fast_dir = fresh("fast"), literal_dir = fresh("literal");
  if (brought_register) {
    lh::platform::write_file(fast_dir + "chm.ini", chm_ini);
    lh::platform::write_file(literal_dir + "chm.ini", chm_ini);
  }

  lh::ManualModel fast, literal;
  lh::split_source(lh::platform::real_file_system(), source_path, fast_dir, "Lib", lh::testing::brought_files(fast_dir),
                   fast);
  lh::testing::literal_split_source(source_path, literal_dir, "Lib", literal);

  LH_FUZZ_CHECK(fast.lines.lines == literal.lines.lines, "source lines differ");
  LH_FUZZ_CHECK(describe(fast) == describe(literal), "model differs");
  auto a = lh::testing::folder_files(fast_dir), b = lh::testing::folder_files(literal_dir);
  LH_FUZZ_CHECK(a == b, "work folders differ");
  LH_FUZZ_CHECK(lh::testing::model_differs_from_folder(fast, fast_dir).empty(), "the model differs from its files");
  return 0;
}
