// The full-text search index ($FIftiMain) that the viewer's Search tab reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lh::chm {

struct FulltextDocument {
  uint32_t topic = 0;     // the page's number in #TOPICS
  std::string_view html;  // the page as stored, Windows-1252
};

// The $FIftiMain file for `documents` (in topic order).
std::string build_fulltext_index(const std::vector<FulltextDocument>& documents);

}  // namespace lh::chm
