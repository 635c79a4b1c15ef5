// The full-text search index ($FIftiMain) that the viewer's Search tab reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lh::chm {

struct FulltextDocument {
  uint32_t topic = 0;      // the page's number in #TOPICS
  std::string_view html;   // the page as stored, Windows-1252
  std::string_view title;  // the topic's title, plain text
};

// The $FIftiMain file for `documents`: every word of each page's visible
// text (see fulltext_words.h) with the topics and word positions it has,
// and apart from them, flagged as title words, the words of each title
// ("Search titles only" looks at those alone). `lcid` is the manual's
// language. Words of `stop_words` (folded) are left out. Documents may come
// in any order; a topic given twice is indexed once.
std::string build_fulltext_index(const std::vector<FulltextDocument>& documents, uint32_t lcid = 0x0409,
                                 const std::vector<std::string>& stop_words = {});

}  // namespace lh::chm
