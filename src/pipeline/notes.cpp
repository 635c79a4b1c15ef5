#include "pipeline/notes.h"

#include "base/version.h"
#include "source/line_reader.h"

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
      {"%yyyy", std::to_string(time.tm_year + 1900)},
      {"%yy", two_digits(time.tm_year + 1900)},
      {"%mm", two_digits(time.tm_mon + 1)},
      {"%dd", two_digits(time.tm_mday)},
      {"%hh", two_digits(time.tm_hour)},
      {"%ii", two_digits(time.tm_min)},
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

std::string resident_notes_text(std::string_view declarations) {
  std::string text;
  for (std::string line : split_lines(declarations)) {
    for (size_t at; (at = line.find(";//Resident")) != std::string::npos;) line.erase(at, 11);
    text += line;
    text += "\r\n";
  }
  return text;
}

void write_resident_notes(platform::FileSystem& fs, const std::string& work_folder, ManualModel& model) {
  if (!model.resident_declarations) return;
  std::string text = resident_notes_text(*model.resident_declarations);
  if (fs.write_file(work_folder + "Compilation.cod", text))
    entry_of(model.entries, "Compilation").code = std::move(text);
}

std::string compilation_notes_text(const NotesInput& input, bool resident_below) {
  const std::string lines[] = {
      ";//Library " + input.library_version,
      ";//" + input.compiler_version_line.substr(0, input.compiler_version_line.find(')')) + ")",
      ";//TB " + input.tailbite_version,
      std::string(";//") + kProgramNameAndVersion,
      ";//" + format_date(kNotesDateMask, input.time),
      ";//" + std::to_string(input.exported_count) + " functions",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  if (resident_below) text += ";//<BR>Resident below\r\n";
  return text;
}

void write_compilation_notes(platform::FileSystem& fs, const std::string& work_folder, const NotesInput& input,
                             ManualModel& model) {
  ManualEntry& page = entry_of(model.entries, "Compilation");
  const std::string text = compilation_notes_text(input, page.code.has_value());
  if (!fs.append_file(work_folder + "Compilation.txt", text)) return;
  if (!page.text) page.text.emplace();
  *page.text += text;
}

}  // namespace lh
