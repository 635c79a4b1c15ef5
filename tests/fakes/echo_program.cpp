// A child program for the run facility's tests. It obeys its words in order:
//   --cmdline        print the command line as received, then LF
//   --argv           print every following word as "[word]" LF, and stop
//   --out TEXT       print TEXT, with \r \n \t \\ decoded, no line end added
//   --bytes N        print N bytes "x" without line ends
//   --lines N        print "line 1" CR LF ... "line N" CR LF
//   --sleep MS       sleep
//   --cwd            print the current folder, then LF
//   --touch FILE     create FILE holding the command line
//   --wait-for FILE  wait until FILE exists (at most a minute)
//   --exit N         end with exit code N at once
#include <cstring>

#include "fake_common.h"

namespace {

std::string decode(const char* text) {
  std::string out;
  for (const char* p = text; *p; ++p) {
    if (*p == '\\' && p[1]) {
      ++p;
      switch (*p) {
        case 'r':
          out += '\r';
          break;
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        default:
          out += *p;
          break;
      }
    } else {
      out += *p;
    }
  }
  return out;
}

std::string current_folder() {
#ifdef _WIN32
  char buffer[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, n);
#else
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
#endif
}

}  // namespace

int main(int argc, char** argv) {
  fake::log_start("echo", argc, argv);
  for (int i = 1; i < argc; ++i) {
    const char* w = argv[i];
    const bool has_value = i + 1 < argc;
    if (!std::strcmp(w, "--cmdline")) {
      fake::print(fake::command_line(argc, argv) + "\n");
    } else if (!std::strcmp(w, "--argv")) {
      for (int j = i + 1; j < argc; ++j) fake::print(std::string("[") + argv[j] + "]\n");
      break;
    } else if (!std::strcmp(w, "--out") && has_value) {
      fake::print(decode(argv[++i]));
    } else if (!std::strcmp(w, "--bytes") && has_value) {
      fake::print(std::string(static_cast<std::size_t>(std::atol(argv[++i])), 'x'));
    } else if (!std::strcmp(w, "--lines") && has_value) {
      long n = std::atol(argv[++i]);
      std::string block;
      for (long k = 1; k <= n; ++k) {
        block += "line " + std::to_string(k) + "\r\n";
        if (block.size() > 60000) {
          fake::print(block);
          block.clear();
        }
      }
      fake::print(block);
    } else if (!std::strcmp(w, "--sleep") && has_value) {
      fake::sleep_ms(std::atoi(argv[++i]));
    } else if (!std::strcmp(w, "--cwd")) {
      fake::print(current_folder() + "\n");
    } else if (!std::strcmp(w, "--touch") && has_value) {
      fake::write_all(argv[++i], fake::command_line(argc, argv));
    } else if (!std::strcmp(w, "--wait-for") && has_value) {
      const char* file = argv[++i];
      for (int waited = 0; !fake::file_exists(file) && waited < 60000; waited += 10) fake::sleep_ms(10);
    } else if (!std::strcmp(w, "--exit") && has_value) {
      return std::atoi(argv[++i]);
    }
  }
  return 0;
}
