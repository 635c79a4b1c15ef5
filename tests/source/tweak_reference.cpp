#include "source/tweak_reference.h"

#include <set>
#include <string>

#include "source/text.h"

namespace lh::reference {
namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

bool end_line(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && blank(line[i])) ++i;
  if (to_lower(line.substr(i, 12)) != "endprocedure") return false;
  i += 12;
  while (i < line.size() && blank(line[i])) ++i;
  return i == line.size() || line[i] == ';';
}

bool documentation_line(const std::string& line) {
  return std::string(strip_leading_spaces(line)).substr(0, 3) == ";//";
}

// Position of the first header named `name`, or -1.
std::ptrdiff_t find_header(const SourceLines& s, const std::string& name) {
  for (size_t i = 0; i < s.lines.size(); ++i) {
    ExportHeader h;
    if (parse_export_header(s.lines[i], &h) && h.name == name) return std::ptrdiff_t(i);
  }
  return -1;
}

std::ptrdiff_t find_end(const SourceLines& s, std::ptrdiff_t header) {
  for (size_t i = size_t(header) + 1; i < s.lines.size(); ++i)
    if (end_line(s.lines[i])) return std::ptrdiff_t(i);
  return -1;
}

std::vector<std::string> body(const SourceLines& s, std::ptrdiff_t h, std::ptrdiff_t e) {
  std::vector<std::string> out;
  for (std::ptrdiff_t i = h + 1; i <= e; ++i)
    if (!documentation_line(s.lines[size_t(i)])) out.push_back(s.lines[size_t(i)]);
  return out;
}

// Scans one line left to right for name + "(" and rewrites each occurrence
// whose preceding character is one of `before` (or that starts the line).
void rewrite(std::string& line, const std::string& name, const std::string& with, const std::string& before) {
  std::string pattern = name + "(";
  size_t at = 0;
  while ((at = line.find(pattern, at)) != std::string::npos) {
    if (at == 0 || before.find(line[at - 1]) != std::string::npos) {
      line.replace(at, pattern.size(), with + "(");
      at += with.size() + 1;
    } else {
      at += pattern.size();
    }
  }
}

void redirect_to_full_variant(SourceLines& s, const std::string& name, int v) {
  for (std::string& line : s.lines) {
    if (std::string(strip_leading_spaces(line)).substr(0, 12) == "ProcedureDll") continue;
    rewrite(line, name, name + std::to_string(v), std::string(" \t"));
  }
}

std::string joined(const ParameterList& p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += (i ? "," : "") + p[i].name;
  return out;
}

}  // namespace

void add_internal_copies(SourceLines& s, const ProcedureTable& table) {
  std::set<std::string> done;
  for (const ProcedureRecord& r : table.records) {
    if (!is_string_procedure(r) || r.name.empty() || done.count(r.name)) continue;
    std::ptrdiff_t h = find_header(s, r.name);
    if (h < 0) continue;
    std::ptrdiff_t e = find_end(s, h);
    if (e < 0) continue;
    std::vector<std::string> lines = body(s, h, e);
    s.current = h - 1;
    insert_line(s, "Procedure" + r.return_suffix + " " + r.name + "_internal(" + r.parameters + ")");
    for (const std::string& line : lines) insert_line(s, line);
    insert_line(s, "");
    done.insert(r.name);
  }
}

void expand_optional_parameters(SourceLines& s, const ProcedureTable& table) {
  std::set<std::string> done;
  for (const ProcedureRecord& r : table.records) {
    if (r.kind != kExportedProcedure || r.name.empty() || r.parameters.find('=') == std::string::npos ||
        done.count(r.name))
      continue;
    ParameterList p;
    int n = split_parameters(r.parameters, p);
    int o = 0;
    for (const ParameterEntry& e : p) o += e.optional;
    if (o == 0) continue;
    std::ptrdiff_t h = find_header(s, r.name);
    if (h < 0) continue;
    std::ptrdiff_t e = find_end(s, h);
    if (e < 0) continue;
    std::vector<std::string> lines = body(s, h, e);
    s.current = e;
    for (std::ptrdiff_t i = e; i >= h; --i) delete_current_line(s);
    int v = o + 1;
    insert_line(s, "Declare" + r.return_suffix + " " + r.name + std::to_string(v) + "(" + joined(p, size_t(n)) + ")");
    for (int k = 1; k <= v; ++k) {
      insert_line(s, "");
      size_t taken = 0;
      int seen = 0;
      while (taken < p.size()) {
        if (p[taken].optional == 1) {
          ++seen;
          if (seen == k) break;
        }
        ++taken;
      }
      insert_line(s, "ProcedureDll" + r.return_suffix + " " + (k == 1 ? r.name : r.name + std::to_string(k)) + "(" +
                         joined(p, taken) + ") ; " + r.description);
      if (k < v) {
        std::string args;
        int j = 0;
        for (size_t i = 0; i < p.size(); ++i) {
          if (i) args += ",";
          if (p[i].optional == 0) {
            args += p[i].name;
          } else {
            ++j;
            args += j < k ? p[i].name : p[i].default_value;
          }
        }
        insert_line(s, "  ProcedureReturn " + r.name + std::to_string(v) + "(" + args + ")");
        insert_line(s, "EndProcedure");
      } else {
        for (const std::string& line : lines) insert_line(s, line);
      }
    }
    done.insert(r.name);
    redirect_to_full_variant(s, r.name, v);
  }
}

void redirect_string_calls(SourceLines& s, const ProcedureTable& table) {
  // Only procedures that have their internal copy in the source as the pass
  // finds it.
  std::vector<const ProcedureRecord*> with_copy;
  for (const ProcedureRecord& r : table.records) {
    std::string copy = "Procedure" + r.return_suffix + " " + r.name + "_internal(";
    for (const std::string& line : s.lines) {
      if (line.compare(0, copy.size(), copy) == 0) {
        with_copy.push_back(&r);
        break;
      }
    }
  }
  std::set<std::string> done;
  for (const ProcedureRecord* rp : with_copy) {
    const ProcedureRecord& r = *rp;
    if (!is_string_procedure(r) || r.name.empty() || done.count(r.name)) continue;
    done.insert(r.name);
    for (std::string& line : s.lines) {
      if (to_lower(std::string(strip_leading_spaces(line)).substr(0, 14)) == "proceduredll.s") continue;
      rewrite(line, r.name, r.name + "_internal", std::string(" \t+="));
    }
  }
}

}  // namespace lh::reference
