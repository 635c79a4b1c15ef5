#include "chm/compile_project.h"

#include <unordered_set>

#include "chm/chm_compiler.h"
#include "chm/help_project_reader.h"
#include "platform/file_system.h"

namespace lh::chm {

bool compile_help_project(platform::FileSystem& files, const std::string& hhp_path, bool allow_missing,
                          ProjectCompilation& result, std::string* error) {
  result = ProjectCompilation();
  auto fail = [error](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  HelpProjectReading reading;
  if (!read_help_project(files, hhp_path, reading, FileBytes::kLeftOnDisk))
    return fail("the help project " + hhp_path + " cannot be read");
  result.output_path = reading.output_path;
  result.missing = reading.missing;
  result.left_out = reading.left_out;
  files.delete_file(result.output_path);
  result.linked_missing = reading.linked_missing;
  if (!allow_missing && reading.missing.size() > reading.linked_missing.size()) {
    const std::unordered_set<std::string> linked(reading.linked_missing.begin(), reading.linked_missing.end());
    std::vector<std::string> named;
    for (const std::string& name : reading.missing)
      if (!linked.count(name)) named.push_back(name);
    return fail("missing files: " + missing_files_text(named, named.size()));
  }
  const ChmProject& project = reading.project;
  result.with_search = project.full_text_search;
  result.files = project.files.size();
  result.topics = project.topics.size();
  // Whole or not at all: a manual cut short by a full disk or a killed run
  // never stands at the output path.
  return compile_chm_file(files, project, result.output_path, error);
}

std::string missing_files_text(const std::vector<std::string>& missing, size_t shown) {
  std::string text;
  for (size_t i = 0; i < missing.size() && i < shown; ++i) text += (i ? ", " : "") + missing[i];
  if (missing.size() > shown) text += " and " + std::to_string(missing.size() - shown) + " more";
  return text;
}

}  // namespace lh::chm
