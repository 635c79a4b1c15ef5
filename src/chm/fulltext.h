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

// The $FIftiMain file for `documents`: every word of each page's visible
// text (see fulltext_words.h) with the topics and word positions it has.
// `lcid` is the manual's language. Documents may come in any order; a
// topic given twice is indexed once.
std::string build_fulltext_index(const std::vector<FulltextDocument>& documents, uint32_t lcid = 0x0409);

}  // namespace lh::chm
