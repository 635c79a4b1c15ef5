#include "chm/compile_project.h"

#include <unordered_set>

#include "chm/chm_compiler.h"
#include "chm/help_project_reader.h"
#include "platform/files.h"

namespace lh::chm {

ProjectCompilation compile_help_project(const std::string& hhp_path, bool allow_missing) {
  ProjectCompilation result;
  HelpProjectReading reading = read_help_project(hhp_path, FileBytes::kLeftOnDisk);
  result.project_read = reading.read;
  result.output_path = reading.output_path;
  result.missing = reading.missing;
  result.left_out = reading.left_out;
  if (!reading.read) {
    result.problem = "the help project " + hhp_path + " cannot be read";
    return result;
  }
  platform::delete_file(result.output_path);
  result.linked_missing = reading.linked_missing;
  if (!allow_missing && reading.missing.size() > reading.linked_missing.size()) {
    const std::unordered_set<std::string> linked(reading.linked_missing.begin(), reading.linked_missing.end());
    std::vector<std::string> named;
    for (const std::string& name : reading.missing)
      if (!linked.count(name)) named.push_back(name);
    result.problem = "missing files: " + missing_files_text(named, named.size());
    return result;
  }
  ChmProject& project = reading.project;
  result.with_search = project.full_text_search;
  result.files = project.files.size();
  result.topics = project.topics.size();
  // Whole or not at all: a manual cut short by a full disk or a killed run
  // never stands at the output path.
  result.written =
      compile_chm_file(project, result.output_path, result.problem, kContentInMemory, &result.write_failure);
  return result;
}

std::string missing_files_text(const std::vector<std::string>& missing, size_t shown) {
  std::string text;
  for (size_t i = 0; i < missing.size() && i < shown; ++i) text += (i ? ", " : "") + missing[i];
  if (missing.size() > shown) text += " and " + std::to_string(missing.size() - shown) + " more";
  return text;
}

}  // namespace lh::chm
