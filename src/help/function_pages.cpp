#include "help/function_pages.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "help/html_text.h"
#include "help/warning_image.h"
#include "platform/files.h"
#include "source/contents_register.h"
#include "source/entry_name.h"
#include "source/text.h"

namespace lh {
namespace {

constexpr std::string_view kTableTag =
    "<TABLE BORDER=\"1\" BGCOLOR=\"#FFFFEF\" BORDERCOLOR=\"#FFFFCF\" CELLSPACING=\"0\" "
    "CELLPADDING=\"10\" BORDERCOLORLIGHT=\"#FFFFEF\" BORDERCOLORDARK=\"#FFFFAF\">";
constexpr std::string_view kTableRow =
    "<TR><TD WIDTH=\"100%\"><PRE><FONT FACE=\"Courier New, Courier, mono\" SIZE=\"2\">";
constexpr std::string_view kTableEnd = "</FONT></PRE></TD></TR></TABLE>";

// The content lines of a code table, each escaped.
void put_escaped_lines(std::string& page, std::string_view text) {
  for_each_line(text, [&](std::string_view line) { put_escaped_line(page, line); });
}

// A body line of a page entry or command: the ";//" marker that the
// splitter leaves at its start is dropped; text without the marker (a
// description that a ";->" line added) is shown whole.
std::string_view body_text(std::string_view line, int32_t kind) {
  line = strip_leading_spaces(line);
  if (kind != kTextOnlyEntry && line.substr(0, 3) == ";//") line.remove_prefix(3);
  return line;
}

// The names of the work folder's files, listed once: the pages look up six
// piece files per record, and most of them are absent. Only the pages and
// coloured files are written while the pages are made, and neither is looked
// up, so one listing stays true for the whole run.
struct FolderIndex {
  std::unordered_set<std::string> names;  // by piece_key
  bool fold = platform::names_fold_case();

  explicit FolderIndex(const std::string& folder) {
    auto entries = platform::list_folder(folder);
    names.reserve(entries.size());
    for (auto& e : entries)
      if (!e.is_folder) names.insert(piece_key(e.name, fold));
  }
  bool has(const std::string& name) const { return names.count(piece_key(name, fold)) != 0; }
  bool has_key(const std::string& key) const { return names.count(key) != 0; }
};

struct PageWriter {
  const std::string& folder;
  const Highlighter& highlighter;
  const PieceContents* known;  // piece files as the split wrote them, or null
  FolderIndex files;
  std::optional<ContentsRegister> contents;  // read for the first text-only entry
  std::string page;
  std::string file;      // a piece file's content, when read from the disk
  std::string coloured;  // the coloured text of the last colouring
  std::string line;
  bool example_pending = false;  // an example's coloured text not yet written

  // The content of a piece file that the listing holds: the split's copy
  // when it has one, otherwise read into `file`. Valid until the next read.
  bool read(const std::string& name, std::string_view& out) {
    const std::string key = piece_key(name, files.fold);
    if (!files.has_key(key)) return false;
    if (known) {
      auto it = known->find(key);
      if (it != known->end()) {
        out = it->second;
        return true;
      }
    }
    if (!platform::read_file(folder + name, file)) return false;
    out = file;
    return true;
  }

  // Colours the code piece `name` into its coloured file and adds its lines
  // to the page, escaped. Returns false, leaving the table empty, when the
  // piece could not be coloured.
  bool coloured_lines(const std::string& name) {
    std::string_view code;
    if (!highlighter.loaded || !read(name, code)) return false;
    if (!colour_code_to_file(highlighter, code, folder + name, &coloured)) return false;
    put_escaped_lines(page, coloured);
    return true;
  }

  // The example of a page that also has a source: its coloured file would be
  // replaced by the source's at once, so it is coloured in memory and only
  // written when the source's coloured file is not.
  void example_lines_before_source(const std::string& name) {
    coloured.clear();
    std::string_view code;
    if (!highlighter.loaded || !read(name, code)) return;
    colour_text(highlighter, code, coloured);
    put_escaped_lines(page, coloured);
    example_pending = true;
  }

  void links(const std::string& name) {
    if (!contents) contents = read_contents_register(folder);
    // Group names are compared byte for byte here: the page lists the group
    // whose name is exactly the entry's.
    for (size_t g = 1; g < contents->groups.size(); ++g) {
      const ContentsGroup& group = contents->groups[g];
      if (group.name != name) continue;
      for (const ContentsKey& key : group.keys) {
        // A refused name has no page to link to.
        if (key.raw_line || !is_safe_entry_name(key.name)) continue;
        line.assign("<LI><A href=\"").append(key.name).append(".html\">").append(key.name).append("</A><BR>");
        put_line(page, line);
      }
      break;
    }
  }

  // Writes the page of `r` into the page file of `n`, a spelling of the
  // record's name under which the file system finds the same files.
  void write(const ProcedureRecord& r, const std::string& n) {
    const std::string base = folder + n;
    // The page file is created first: a name that cannot be a file name
    // gives no page, and nothing else is done for it.
    std::FILE* out = std::fopen((base + ".html").c_str(), "wb");
    if (!out) return;
    std::setvbuf(out, nullptr, _IONBF, 0);  // the page goes out in one write
    page.clear();
    put_line(page, "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"><HTML>");
    put_line(page, "<BODY BGCOLOR=\"#FFFFDF\" LINK=\"#009999\" VLINK=\"#006666\" ALINK=\"#006666\">");
    line.assign("<FONT FACE=\"Arial\" size=\"2\"><P ALIGN=\"CENTER\"><B><FONT size=\"4\">").append(r.name);
    if (r.kind == kExportedProcedure)
      line.append(r.return_suffix).append("(").append(r.parameters).append(")");
    line.append("</FONT></B>");
    put_line(page, line);
    put_line(page, "<BR><HR><BR>");

    if (r.kind == kExportedProcedure && !r.description.empty()) {
      line.assign("<B>Description : </B>").append(r.description).append("<br>");
      put_escaped_line(page, line);
    }
    std::string_view text_file;
    if (read(n + ".txt", text_file)) {
      for_each_line(text_file, [&](std::string_view text) {
        line.assign(body_text(text, r.kind)).append("<br>");
        put_escaped_line(page, line);
      });
    }
    if (files.has(n + ".warn") && platform::file_size(base + ".warn") == 0)
      put_line(page,
               "<BR><IMG SRC=\"Warning.gif\"><font Color=\"#FF0000\"><b> NEVER PASS A FUNCTION AS STRING "
               "PARAMETER !</b></font>");
    std::string_view info;
    if (read(n + ".nfo", info)) {
      put_line(page, kTableTag);
      put_line(page, kTableRow);
      put_escaped_lines(page, info);
      put_line(page, kTableEnd);
    }
    put_line(page, "<BR><HR>");

    if (r.kind == kTextOnlyEntry) {
      put_line(page, "<BR>");
      links(r.name);
      put_line(page, "<BR><HR>");
    }

    // The listing holds files only, so a listed name is a file.
    const bool has_example = files.has(n + ".ex");
    const bool has_source = files.has(n + ".cod");
    if (has_example) {
      put_line(page, "<BR><B>Exemple : </B>");
      std::string_view title_file;
      if (read(n + ".exd", title_file)) {
        std::string_view title;
        bool first = true;
        for_each_line(title_file, [&](std::string_view text) {
          if (first) title = text;
          first = false;
        });
        put_escaped_line(page, title);
      }
      put_line(page, kTableTag);
      put_line(page, kTableRow);
      if (has_source)
        example_lines_before_source(n + ".ex");
      else
        coloured_lines(n + ".ex");
      put_line(page, kTableEnd);
    }
    if (has_source) {
      if (has_example) put_line(page, "<BR><HR>");
      line.assign("<BR><B>Source : </B>").append(kTableTag);
      put_line(page, line);
      put_line(page, kTableRow);
      std::string example = std::move(coloured);
      if (!coloured_lines(n + ".cod") && example_pending) platform::write_file(coloured_path(base + ".ex"), example);
      example_pending = false;
      put_line(page, kTableEnd);
    }
    put_line(page, "</P></FONT></BODY></HTML>");
    std::fwrite(page.data(), 1, page.size(), out);
    std::fclose(out);
  }
};

}  // namespace

void prepare_warnings(const std::string& work_folder, const ProcedureTable& table) {
  platform::write_file(work_folder + "Warning.gif", warning_image());
  // An empty marker created again is the same file: each is written once,
  // under the spelling that first creates it.
  std::unordered_set<std::string> written;
  const bool fold = platform::names_fold_case();
  ParameterList parameters;
  for (const ProcedureRecord& r : table.records) {
    if (!is_string_procedure(r) || !is_safe_entry_name(r.name)) continue;
    split_parameters(r.parameters, parameters);
    for (const ParameterEntry& p : parameters) {
      if (p.name.size() >= 2 && p.name.compare(p.name.size() - 2, 2, ".s") == 0) {
        if (written.insert(piece_key(r.name, fold)).second) platform::write_file(work_folder + r.name + ".warn", "");
        break;
      }
    }
  }
}

void write_function_pages(const std::string& work_folder, const ProcedureTable& table,
                          const Highlighter& highlighter, const PieceContents* known) {
  PageWriter writer{work_folder, highlighter, known, FolderIndex(work_folder), std::nullopt, {}, {}, {}, {}};
  // Records whose names the file system takes for one name share their page
  // and coloured files: the last record's page replaces the others', and the
  // files keep the spelling of the first (replacing a file keeps its name).
  // The pages depend on no file that a page writes, so only the last
  // record's page is made, once per file.
  struct Shared {
    const std::string* spelled;
    const ProcedureRecord* last;
  };
  std::vector<Shared> pages;
  std::unordered_map<std::string, size_t> by_key;
  for (const ProcedureRecord& r : table.records) {
    if (!is_safe_entry_name(r.name)) continue;
    auto [it, fresh] = by_key.try_emplace(piece_key(r.name, writer.files.fold), pages.size());
    if (fresh) pages.push_back({&r.name, &r});
    else pages[it->second].last = &r;
  }
  by_key = {};
  for (const Shared& p : pages) writer.write(*p.last, *p.spelled);
}

}  // namespace lh
