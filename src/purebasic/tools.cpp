// Finding PureBasic, its compiler and TailBite, and asking the compiler for
// its version.
#include "purebasic/tools.h"

#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/registry.h"
#include "purebasic/tool_runner.h"

namespace lh {

namespace {

#ifdef _WIN32
constexpr const char* kTailbite = "TailBite\\TailBite.exe";
constexpr const char* kCompiler = "Compilers\\pbcompiler.exe";
constexpr const char* kVersionCompiler = "compilers\\pbcompiler.exe";
#else
constexpr const char* kTailbite = "TailBite/TailBite";
constexpr const char* kCompiler = "compilers/pbcompiler";
constexpr const char* kVersionCompiler = "compilers/pbcompiler";
#endif

// A version line is short; more than this without a line end is no answer.
constexpr std::size_t kVersionLineMax = 4096;

// More than any version text holds: a TailBite that prints this much for
// "/VERS" is printing without end.
constexpr std::size_t kVersionTextMax = 64 * 1024;

#ifndef _WIN32
// The entry of `folder` named `name` in any letter case; `name` itself
// when there is none.
std::string entry_in_any_case(platform::FileSystem& files, const std::string& folder, std::string_view name) {
  std::string found = platform::entry_named_in_any_case(files, folder, name);
  return found.empty() ? std::string(name) : found;
}
#endif

}  // namespace

std::string temp_folder() { return platform::temp_folder(); }

std::string folder_from_icon_value(std::string_view value) {
  std::string_view text = value.substr(0, value.find(','));
  std::size_t begin = (!text.empty() && text[0] == '"') ? 1 : 0;
  std::size_t end = text.find('|', begin);
  if (end == std::string_view::npos) end = text.size();
  std::size_t last = std::string_view::npos;
  for (std::size_t i = begin; i < end; ++i) {
    if (text[i] == '\\' || text[i] == '/') last = i;
  }
  if (last == std::string_view::npos) return {};
  return std::string(text.substr(begin, last + 1 - begin));
}

std::string purebasic_registry_lookup() {
#ifdef _WIN32
  // The registry value is read into a buffer of this size filled with spaces.
  constexpr std::size_t kIconBufferSize = 255;
  return folder_from_icon_value(platform::classes_root_default_value("PureBasic.exe\\DefaultIcon\\", kIconBufferSize));
#else
  // No registry: the PureBasic folder comes from the environment.
  std::string folder = platform::environment_variable("PUREBASIC_HOME");
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
#endif
}

std::string tailbite_path(platform::FileSystem& files, const std::string& purebasic_folder) {
#ifndef _WIN32
  // The file system tells letter cases apart; TailBite's folder may be
  // "tailbite", as the check found it.
  if (!files.exists(purebasic_folder + kTailbite)) {
    const std::string folder = purebasic_folder + entry_in_any_case(files, purebasic_folder, "TailBite") + "/";
    return folder + entry_in_any_case(files, folder, "TailBite");
  }
#else
  (void)files;
#endif
  return purebasic_folder + kTailbite;
}

std::string wait_text(std::chrono::milliseconds wait) {
  if (wait.count() % 1000 == 0) return std::to_string(wait.count() / 1000) + " s";
  return std::to_string(wait.count()) + " ms";
}

std::string compiler_path(const std::string& purebasic_folder) { return purebasic_folder + kCompiler; }

bool compiler_version_line(VersionAsker& tools, const std::string& purebasic_folder, std::chrono::milliseconds wait,
                           std::string& line, std::string* error) {
  line.clear();
  VersionQuery query;
  query.program = purebasic_folder + kVersionCompiler;
  query.argument = "/VERSION";
  query.hide = true;
  query.first_line_only = true;
  query.wait = wait;
  query.max_bytes = kVersionLineMax;
  std::vector<std::string> lines;
  std::string why;
  if (tools.ask_version(query, lines, &why)) {
    if (!lines.empty()) line = lines[0];
    return true;
  }
  // Whether it stayed silent or printed a line without end, the compiler is
  // said not to have answered in time.
  if (!why.empty() && error)
    *error = "The PureBasic compiler " + query.program + " did not answer \"/VERSION\" within " + wait_text(wait) +
             "; it was stopped, and the compiler version is left out.";
  return false;
}

bool tailbite_version_text(VersionAsker& tools, const std::string& tailbite_path, std::chrono::milliseconds wait,
                           std::string& text, std::string* error) {
  text.clear();
  VersionQuery query;
  query.program = tailbite_path;
  query.argument = "/VERS";
  query.wait = wait;
  query.max_bytes = kVersionTextMax;
  std::vector<std::string> lines;
  std::string why;
  if (tools.ask_version(query, lines, &why)) {
    for (const std::string& line : lines) text += line;
    return true;
  }
  if (!why.empty() && error)
    *error = "TailBite " + tailbite_path + " did not answer \"/VERS\" " + why +
             "; it was stopped, and the TailBite version is left out.";
  return false;
}

std::string processor_tag_of(std::string_view line) {
  // A line such as "PureBasic 6.10 LTS (Linux - x64)" names the processor
  // after the " - " of its last parenthesised group; the first "x" would be
  // the one of "Linux".
  std::size_t open = line.rfind('(');
  if (open != std::string_view::npos) {
    std::size_t close = line.find(')', open);
    if (close != std::string_view::npos) {
      std::string_view group = line.substr(open + 1, close - open - 1);
      std::size_t dash = group.rfind(" - ");
      if (dash != std::string_view::npos) {
        std::string_view tag = group.substr(dash + 3, 3);
        if (!tag.empty()) return std::string(tag);
      }
    }
  }
  std::size_t x = line.find('x');
  return std::string(line.substr(x == std::string_view::npos ? 0 : x, 3));
}

}  // namespace lh
