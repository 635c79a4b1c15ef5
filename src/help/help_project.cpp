#include "help/help_project.h"

#include <string_view>
#include <unordered_map>

#include "help/html_text.h"
#include "source/contents_register.h"
#include "source/entry_name.h"

namespace lh {
namespace {

void put_name_line(std::string& out, std::string_view name) {
  std::string line = "<PARAM NAME=\"Name\" VALUE=\"";
  line.append(name).append("\">");
  put_line(out, line);
}

void put_name_and_local(std::string& out, std::string_view name) {
  put_name_line(out, name);
  std::string line = "<PARAM NAME=\"Local\" VALUE=\"";
  line.append(name).append(".html\">");
  put_line(out, line);
}

// The six lines of one page's contents entry (five for a text-only entry).
void put_entry_block(std::string& out, std::string_view name, EntryKind kind) {
  put_line(out, "<UL>");
  put_line(out, "<LI> <OBJECT TYPE=\"text/sitemap\">");
  put_name_and_local(out, name);
  if (kind == EntryKind::kExportedProcedure) put_line(out, "<PARAM NAME=\"ImageNumber\" VALUE=\"11\">");
  if (kind == EntryKind::kPage) put_line(out, "<PARAM NAME=\"ImageNumber\" VALUE=\"17\">");
  put_line(out, "</OBJECT></UL>");
}

std::string project_file(const std::string& library_name) {
  std::string out;
  put_line(out, "[OPTIONS]");
  put_line(out, "Compatibility=1.1 or later");
  put_line(out, "Compiled file=" + library_name + ".chm");
  put_line(out, "Contents file=" + library_name + ".hhc");
  put_line(out, "Default topic=Index.html");
  put_line(out, "Full-text search=Yes");
  put_line(out, "Title=" + library_name + " Library");
  put_line(out, "Index file=" + library_name + ".hhk");
  return out;
}

std::string index_file(const ProcedureTable& table) {
  std::string out;
  put_line(out, "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">");
  put_line(out, "<HTML><HEAD>");
  put_line(out, "<META NAME=\"GENERATOR\" CONTENT=\"HelpLoomMaker\">");
  put_line(out, "<!-- Sitemap 1.0 --></HEAD><BODY></OBJECT><UL>");
  for (const ProcedureRecord& r : table.records) {
    if (r.kind == EntryKind::kTextOnly || !is_safe_entry_name(r.name)) continue;
    put_line(out, "<LI> <OBJECT TYPE=\"text/sitemap\">");
    put_name_and_local(out, r.name);
    put_line(out, "<PARAM NAME=\"ImageNumber\" VALUE=\"11\">");
    put_line(out, "</OBJECT>");
  }
  put_line(out, "</UL></BODY></HTML>");
  return out;
}

// The register's entries: the top-level keys, then each group's heading
// and its keys.
void put_contents_tree(std::string& out, const ProcedureTable& table, const ContentsRegister& reg) {
  // The first record of each name, names compared byte for byte.
  std::unordered_map<std::string_view, EntryKind> kind_of;
  kind_of.reserve(table.records.size());
  for (const ProcedureRecord& r : table.records) kind_of.emplace(r.name, r.kind);
  // A key that no record bears (a "chm.ini" brought by the include folder)
  // is shown as a page entry, so the page it names stays reachable.
  // A refused name has no page: no entry points to it, and a group under
  // such a name is a heading without a page.
  auto entry = [&](const ContentsKey& key) {
    if (key.raw_line || !is_safe_entry_name(key.name)) return;
    auto it = kind_of.find(key.name);
    put_entry_block(out, key.name, it == kind_of.end() ? EntryKind::kPage : it->second);
  };
  for (const ContentsKey& key : reg.groups[0].keys) entry(key);
  for (size_t g = 1; g < reg.groups.size(); ++g) {
    const ContentsGroup& group = reg.groups[g];
    put_line(out, "<UL>");
    put_line(out, "<LI> <OBJECT TYPE=\"text/sitemap\">");
    if (is_safe_entry_name(group.name))
      put_name_and_local(out, group.name);
    else
      put_name_line(out, group.name);
    put_line(out, "<PARAM NAME=\"ImageNumber\" VALUE=\"1\">");
    put_line(out, "</OBJECT></UL>");
    put_line(out, "<UL>");
    for (const ContentsKey& key : group.keys) entry(key);
    put_line(out, "</UL>");
  }
}

std::string contents_file(const ProcedureTable& table, const ContentsRegister& reg) {
  std::string out;
  put_line(out, "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"><HTML><HEAD>");
  put_line(out, "<META NAME=\"GENERATOR\" CONTENT=\"HelpLoomMaker\"><!-- Sitemap 1.0 -->");
  put_line(out, "</HEAD><BODY><OBJECT TYPE=\"text/site properties\">");
  put_line(out, "<PARAM NAME=\"Window Styles\" VALUE=\"0x800025\"></OBJECT>");
  put_contents_tree(out, table, reg);
  put_line(out, "</BODY></HTML>");
  return out;
}

}  // namespace

void write_help_project(platform::FileSystem& fs, const std::string& work_folder, const std::string& library_name,
                        const ProcedureTable& table, const ContentsRegister& contents) {
  const std::string base = work_folder + library_name;
  fs.write_file(base + ".hhp", project_file(library_name));
  fs.write_file(base + ".hhk", index_file(table));
  fs.write_file(base + ".hhc", contents_file(table, contents));
}

}  // namespace lh
