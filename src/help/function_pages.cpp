#include "help/function_pages.h"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/text.h"
#include "help/html_text.h"
#include "help/warning_image.h"
#include "source/contents_register.h"
#include "source/entry_name.h"

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
std::string_view body_text(std::string_view line, EntryKind kind) {
  line = strip_leading_spaces(line);
  if (kind != EntryKind::kTextOnly && line.substr(0, 3) == ";//") line.remove_prefix(3);
  return line;
}

struct PageWriter {
  platform::FileSystem& fs;
  const std::string& folder;
  const ManualEntries& entries;
  const ContentsRegister& contents;
  const Highlighter& highlighter;
  std::string page;
  std::string coloured;  // the coloured text of the last colouring
  std::string line;
  bool example_pending = false;  // an example's coloured text not yet written

  // Colours `code`, the piece of file `name`, into its coloured file and
  // adds its lines to the page, escaped. Returns false, leaving the table
  // empty, when the piece could not be coloured.
  bool coloured_lines(const std::string& name, const std::optional<std::string>& code) {
    if (!highlighter.loaded || !code) return false;
    if (!colour_code_to_file(fs, highlighter, *code, folder + name, &coloured)) return false;
    put_escaped_lines(page, coloured);
    return true;
  }

  // The example of a page that also has a source: its coloured file would be
  // replaced by the source's at once, so it is coloured in memory and only
  // written when the source's coloured file is not.
  void example_lines_before_source(const std::optional<std::string>& code) {
    coloured.clear();
    if (!highlighter.loaded || !code) return;
    colour_text(highlighter, *code, coloured);
    put_escaped_lines(page, coloured);
    example_pending = true;
  }

  void links(const std::string& name) {
    // Group names are compared byte for byte here: the page lists the group
    // whose name is exactly the entry's.
    for (size_t g = 1; g < contents.groups.size(); ++g) {
      const ContentsGroup& group = contents.groups[g];
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

  // The title and, for a command, its description.
  void put_head(const ProcedureRecord& r) {
    // The TITLE is what the viewer lists a page by: in search hits, in
    // favourites, in its window caption.
    line.assign("<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\"><HTML><HEAD><TITLE>");
    append_markup_escaped(line, r.name);
    line.append("</TITLE></HEAD>");
    put_line(page, line);
    put_line(page, "<BODY BGCOLOR=\"#FFFFDF\" LINK=\"#009999\" VLINK=\"#006666\" ALINK=\"#006666\">");
    line.assign("<FONT FACE=\"Arial\" size=\"2\"><P ALIGN=\"CENTER\"><B><FONT size=\"4\">").append(r.name);
    if (r.kind == EntryKind::kExportedProcedure)
      line.append(r.return_suffix).append("(").append(r.parameters).append(")");
    line.append("</FONT></B>");
    put_line(page, line);
    put_line(page, "<BR><HR><BR>");
    if (r.kind == EntryKind::kExportedProcedure && !r.description.empty()) {
      line.assign("<B>Description : </B>").append(r.description).append("<br>");
      put_escaped_line(page, line);
    }
  }

  // The entry's text, its warning, its information table and, for a
  // text-only entry, the links of its group.
  void put_body(const ProcedureRecord& r, const ManualEntry& e) {
    if (e.text) {
      for_each_line(*e.text, [&](std::string_view text) {
        line.assign(body_text(text, r.kind)).append("<br>");
        put_escaped_line(page, line);
      });
    }
    if (e.warning)
      put_line(page,
               "<BR><IMG SRC=\"Warning.gif\"><font Color=\"#FF0000\"><b> NEVER PASS A FUNCTION AS STRING "
               "PARAMETER !</b></font>");
    if (e.information) {
      put_line(page, kTableTag);
      put_line(page, kTableRow);
      put_escaped_lines(page, *e.information);
      put_line(page, kTableEnd);
    }
    put_line(page, "<BR><HR>");
    if (r.kind == EntryKind::kTextOnly) {
      put_line(page, "<BR>");
      links(r.name);
      put_line(page, "<BR><HR>");
    }
  }

  // The example under the first line of its title file.
  void put_example(const std::string& n, const ManualEntry& e) {
    put_line(page, "<BR><B>Exemple : </B>");
    if (e.example_title) {
      std::string_view title;
      bool first = true;
      for_each_line(*e.example_title, [&](std::string_view text) {
        if (first) title = text;
        first = false;
      });
      put_escaped_line(page, title);
    }
    put_line(page, kTableTag);
    put_line(page, kTableRow);
    if (e.code)
      example_lines_before_source(e.example);
    else
      coloured_lines(n + ".ex", e.example);
    put_line(page, kTableEnd);
  }

  void put_source(const std::string& n, const ManualEntry& e) {
    if (e.example) put_line(page, "<BR><HR>");
    line.assign("<BR><B>Source : </B>").append(kTableTag);
    put_line(page, line);
    put_line(page, kTableRow);
    std::string example = std::move(coloured);
    if (!coloured_lines(n + ".cod", e.code) && example_pending)
      fs.write_file(coloured_path(folder + n + ".ex"), example);
    example_pending = false;
    put_line(page, kTableEnd);
  }

  // Writes the page of `r` into the page file of `n`, a spelling of the
  // record's name under which the file system finds the same files.
  void write(const ProcedureRecord& r, const std::string& n) {
    static const ManualEntry kNoPieces;
    const ManualEntry* found = find_entry(entries, n);
    const ManualEntry& e = found ? *found : kNoPieces;
    // The page file is created (emptied) first: a name that cannot be a
    // file name gives no page, and nothing else is done for it.
    if (!fs.write_file(folder + n + ".html", "")) return;
    page.clear();
    put_head(r);
    put_body(r, e);
    if (e.example) put_example(n, e);
    if (e.code) put_source(n, e);
    put_line(page, "</P></FONT></BODY></HTML>");
    fs.write_file(folder + n + ".html", page);
  }
};

}  // namespace

void prepare_warnings(platform::FileSystem& fs, const std::string& work_folder, const ProcedureTable& table,
                      ManualEntries& entries) {
  fs.write_file(work_folder + "Warning.gif", warning_image());
  // An empty marker created again is the same file: each is written once,
  // under the spelling that first creates it.
  std::unordered_set<std::string> written;
  ParameterList parameters;
  for (const ProcedureRecord& r : table.records) {
    if (!is_string_procedure(r) || !is_safe_entry_name(r.name)) continue;
    split_parameters(r.parameters, parameters);
    for (const ParameterEntry& p : parameters) {
      if (p.name.size() >= 2 && p.name.compare(p.name.size() - 2, 2, ".s") == 0) {
        if (written.insert(piece_key(r.name, entries.fold_case)).second &&
            fs.write_file(work_folder + r.name + ".warn", ""))
          entry_of(entries, r.name).warning = true;
        break;
      }
    }
  }
}

void write_function_pages(platform::FileSystem& fs, const std::string& work_folder, const ProcedureTable& table,
                          const ManualEntries& entries, const ContentsRegister& contents,
                          const Highlighter& highlighter) {
  PageWriter writer{fs, work_folder, entries, contents, highlighter, {}, {}, {}, false};
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
    auto [it, fresh] = by_key.try_emplace(piece_key(r.name, entries.fold_case), pages.size());
    if (fresh)
      pages.push_back({&r.name, &r});
    else
      pages[it->second].last = &r;
  }
  by_key = {};
  for (const Shared& p : pages) writer.write(*p.last, *p.spelled);
}

}  // namespace lh
