// The header parse and the parameter split, on every line of the input.
// A header is recognised exactly when its line starts (after spaces) with
// "ProcedureDLL" in any letter case; its fields are pieces of the line in
// their order; the parameter entries are the text's comma-separated fields
// up to the first empty one, each cut at its "=" signs.
#include "base/text.h"
#include "fuzz_check.h"
#include "source/line_reader.h"
#include "source/procedure_table.h"

namespace {

void check_parameters(std::string_view text) {
  lh::ParameterList list;
  int n = lh::split_parameters(text, list);
  LH_FUZZ_CHECK(n == static_cast<int>(list.size()), "count differs from the list");
  size_t at = 0;
  bool optional = false;
  for (const lh::ParameterEntry& e : list) {
    LH_FUZZ_CHECK(at <= text.size(), "more entries than fields");
    size_t comma = text.find(',', at);
    std::string_view field = text.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
    LH_FUZZ_CHECK(!field.empty(), "an entry from an empty field");
    size_t eq = field.find('=');
    optional = optional || eq != std::string_view::npos;
    LH_FUZZ_CHECK(e.name == field.substr(0, eq), "entry name is not the text before \"=\"");
    if (eq != std::string_view::npos) {
      std::string_view rest = field.substr(eq + 1);
      LH_FUZZ_CHECK(e.default_value == rest.substr(0, rest.find('=')), "default is not the text between the \"=\"");
    } else {
      LH_FUZZ_CHECK(e.default_value.empty(), "default without \"=\"");
    }
    LH_FUZZ_CHECK(e.optional == optional, "optional flag out of order");
    at = comma == std::string_view::npos ? text.size() + 1 : comma + 1;
  }
  // The split stopped at the end or at an empty field.
  if (at <= text.size()) {
    size_t comma = text.find(',', at);
    LH_FUZZ_CHECK(comma == at || at == text.size(), "a field was left out");
  }
}

void check_header(std::string_view line) {
  lh::ExportHeader h;
  bool is = lh::parse_export_header(line, &h);
  bool expected = lh::starts_with_ignoring_case(lh::strip_leading_spaces(line), "proceduredll");
  LH_FUZZ_CHECK(is == expected, "recognition differs from the keyword test");
  LH_FUZZ_CHECK(lh::parse_export_header(line) == is, "recognition depends on the fields asked for");
  if (!is) return;
  LH_FUZZ_CHECK(h.return_suffix.empty() || (h.return_suffix[0] == '.' && h.return_suffix.size() <= 2),
                "return suffix is not \".\" and one character");
  LH_FUZZ_CHECK(h.name.find('(') == std::string::npos, "name holds \"(\"");
  LH_FUZZ_CHECK(h.name.empty() || h.name[0] != ' ', "name starts with a space");
  LH_FUZZ_CHECK(h.parameters.find(')') == std::string::npos, "parameters hold \")\"");
  LH_FUZZ_CHECK(lh::strip_spaces(h.description) == h.description, "description keeps outer spaces");
  // The fields are pieces of the line, in order.
  size_t at = line.size() - lh::strip_leading_spaces(line).size() + 12;
  for (const std::string* field : {&h.return_suffix, &h.name, &h.parameters, &h.description}) {
    if (field->empty()) continue;
    size_t found = line.find(*field, at);
    LH_FUZZ_CHECK(found != std::string_view::npos, "a field is not in the line after the one before");
    at = found + field->size();
  }
  check_parameters(h.parameters);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const std::string& line : lh::split_lines(text)) check_header(line);
  check_parameters(text);
  return 0;
}
