#include "gen/manual_pages.h"

#include <algorithm>

#include "help/colouring.h"
#include "help/function_pages.h"
#include "help/help_project.h"
#include "platform/files.h"
#include "source/contents_register.h"
#include "source/splitter.h"

namespace lh {

void write_manual_folder(const std::string& source_path, const std::string& work_folder, const std::string& library) {
  platform::FileSystem& fs = platform::real_file_system();
  ManualModel model;
  split_source(fs, source_path, work_folder, library, {}, model);
  append_record(model.table, model.cursor, ProcedureRecord{EntryKind::kPage, "", "Compilation", "", ""});
  register_contents_entry(model.contents, "", "Compilation");
  write_contents_register(fs, work_folder, model.contents);
  prepare_warnings(fs, work_folder, model.table, model.entries);
  write_function_pages(fs, work_folder, model.table, model.entries, model.contents, linked_highlighter());
  write_help_project(fs, work_folder, library, model.table, model.contents);
}

chm::ChmProject manual_project(const std::string& source_path, const std::string& work_folder,
                               const std::string& library, bool full_text_search) {
  platform::FileSystem& fs = platform::real_file_system();
  ManualModel model;
  split_source(fs, source_path, work_folder, library, {}, model);
  prepare_warnings(fs, work_folder, model.table, model.entries);
  write_function_pages(fs, work_folder, model.table, model.entries, model.contents, linked_highlighter());
  write_help_project(fs, work_folder, library, model.table, model.contents);

  chm::ChmProject project;
  project.title = library + " Library";
  project.default_topic = "Index.html";
  project.contents_file = library + ".hhc";
  project.index_file = library + ".hhk";
  project.full_text_search = full_text_search;
  std::vector<std::string> names;
  for (const auto& e : platform::list_folder(work_folder))
    if (!e.is_folder) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    auto ends_with = [&](std::string_view ext) {
      return name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
    };
    if (!(ends_with(".html") || ends_with(".gif") || ends_with(".hhc") || ends_with(".hhk"))) continue;
    chm::ChmSourceFile file{name, {}};
    platform::read_file(work_folder + name, file.content);
    if (ends_with(".html")) project.topics.push_back({name, name.substr(0, name.size() - 5)});
    project.files.push_back(std::move(file));
  }
  return project;
}

}  // namespace lh
