#include "pipeline/notes.h"

#include <chrono>

#include "platform/files.h"
#include "source/line_reader.h"
#include "source/splitter.h"

namespace lh {
namespace {

std::string two_digits(int value) {
  std::string out = std::to_string(value % 100);
  return out.size() < 2 ? "0" + out : out;
}

}  // namespace

std::string format_date(std::string_view mask, const std::tm& time) {
  struct Field {
    std::string_view token;
    std::string value;
  };
  const Field fields[] = {
      {"%yyyy", std::to_string(time.tm_year + 1900)}, {"%yy", two_digits(time.tm_year + 1900)},
      {"%mm", two_digits(time.tm_mon + 1)},           {"%dd", two_digits(time.tm_mday)},
      {"%hh", two_digits(time.tm_hour)},              {"%ii", two_digits(time.tm_min)},
      {"%ss", two_digits(time.tm_sec)},
  };
  std::string out;
  for (size_t i = 0; i < mask.size();) {
    bool matched = false;
    for (const Field& f : fields) {
      if (mask.substr(i, f.token.size()) == f.token) {
        out += f.value;
        i += f.token.size();
        matched = true;
        break;
      }
    }
    if (!matched) out += mask[i++];
  }
  return out;
}

void write_resident_notes(const std::string& work_folder) {
  std::string declarations;
  if (!platform::is_file(work_folder + "Resident.pb") || !platform::read_file(work_folder + "Resident.pb", declarations))
    return;
  std::string text;
  for (std::string line : split_lines(declarations)) {
    for (size_t at; (at = line.find(";//Resident")) != std::string::npos;) line.erase(at, 11);
    text += line;
    text += "\r\n";
  }
  platform::write_file(work_folder + "Compilation.cod", text);
}

void write_compilation_notes(const std::string& work_folder, const NotesInput& input) {
  const std::string path = work_folder + "Compilation.txt";
  append_line(path, ";//Library " + input.library_version);
  append_line(path, ";//" + input.compiler_version_line.substr(0, input.compiler_version_line.find(')')) + ")");
  append_line(path, ";//TB " + input.tailbite_version);
  append_line(path, ";//LibHammer 6");
  append_line(path, ";//" + format_date(kNotesDateMask, input.time));
  append_line(path, ";//" + std::to_string(input.exported_count) + " functions");
  if (platform::exists(work_folder + "Compilation.cod")) append_line(path, ";//<BR>Resident below");
}

}  // namespace lh
