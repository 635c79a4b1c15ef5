// The three tweaked-source passes, indexed, against the straightforward
// reading in tests/source/tweak_reference.cpp: after each pass the source
// lines must be the same, and the three passes over one index must give what
// the passes one after the other give. The input's first byte picks the
// table's order and extra records; the rest is the source.
#include <algorithm>

#include "fuzz_check.h"
#include "source/line_reader.h"
#include "source/tweak.h"
#include "source/tweak_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lh::fuzz::Input in(data, size);
  uint8_t choice = in.byte();
  std::vector<std::string> lines = lh::split_lines(in.rest);

  std::vector<lh::ProcedureRecord> records;
  size_t parameter_fields = 0;
  for (const std::string& line : lines) {
    lh::ExportHeader h;
    if (!lh::parse_export_header(line, &h)) continue;
    parameter_fields += std::count(h.parameters.begin(), h.parameters.end(), ',') + 1;
    records.push_back({lh::EntryKind::kExportedProcedure, h.return_suffix, h.name, h.parameters, h.description});
  }
  // The reference visits every line for every variant: keep the expansion
  // small enough for many runs a second.
  if (parameter_fields > 200) return 0;
  // The splitter's cursor can leave the table in another order than the
  // source's, and pages or text entries may share a command's name.
  if (choice & 1) std::reverse(records.begin(), records.end());
  if ((choice & 2) && !records.empty()) records.push_back({lh::EntryKind::kPage, "", records[0].name, "", ""});
  if ((choice & 4) && !records.empty()) records.push_back(records[records.size() / 2]);
  if (choice & 8) records.push_back({lh::EntryKind::kExportedProcedure, ".s", "", "a=1", ""});
  lh::ProcedureTable table;
  lh::TableCursor cursor;
  for (lh::ProcedureRecord& r : records) lh::append_record(table, cursor, std::move(r));

  lh::SourceLines fast{lines, -1}, slow{lines, -1};
  lh::add_internal_copies(fast, table);
  lh::reference::add_internal_copies(slow, table);
  LH_FUZZ_CHECK(fast.lines == slow.lines, "internal copies differ from the reference");
  lh::expand_optional_parameters(fast, table);
  lh::reference::expand_optional_parameters(slow, table);
  LH_FUZZ_CHECK(fast.lines == slow.lines, "optional-parameter variants differ from the reference");
  lh::redirect_string_calls(fast, table);
  lh::reference::redirect_string_calls(slow, table);
  LH_FUZZ_CHECK(fast.lines == slow.lines, "string-call redirection differs from the reference");
  lh::SourceLines once{lines, -1};
  lh::tweak_source(once, table);
  LH_FUZZ_CHECK(once.lines == slow.lines, "the passes over one index differ from the reference");
  return 0;
}
