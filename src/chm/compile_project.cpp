#include "chm/compile_project.h"

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
  if (!reading.read) {
    result.problem = "the help project " + hhp_path + " cannot be read";
    return result;
  }
  platform::delete_file(result.output_path);
  if (!allow_missing && !reading.missing.empty()) {
    result.problem = "missing files: " + missing_files_text(reading.missing, reading.missing.size());
    return result;
  }
  ChmProject& project = reading.project;
  result.with_search = project.full_text_search;
  result.files = project.files.size();
  result.topics = project.topics.size();
  // No half-written manual is left behind.
  result.written = compile_chm_file(project, result.output_path, result.problem);
  return result;
}

std::string missing_files_text(const std::vector<std::string>& missing, size_t shown) {
  std::string text;
  for (size_t i = 0; i < missing.size() && i < shown; ++i) text += (i ? ", " : "") + missing[i];
  if (missing.size() > shown) text += " and " + std::to_string(missing.size() - shown) + " more";
  return text;
}

}  // namespace lh::chm
