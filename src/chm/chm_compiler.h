// The built-in CHM compiler: a compiled help file (ITSF container, LZX
// compressed content, the system files a viewer needs) from the files of a
// help project, held in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lh::chm {

struct ChmSourceFile {
  // Path inside the manual, relative, "/" between folders ("Index.html"),
  // spelled as the pages and sitemaps spell it (Windows-1252). Names equal
  // but for letter case are one file to a viewer: the first one is kept.
  std::string name;
  std::string content;  // its bytes, unchanged
};

struct ChmTopic {
  std::string file;   // a name from ChmProject::files
  std::string title;  // contents entry name, else index entry name, else file name
};

// The "text/site properties" object of the contents file, which the
// viewer's #IDXHDR repeats. Absent values stay unset.
struct SiteProperties {
  bool folder_images = false;  // ImageType=Folder
  std::string image_list, font, frame_name, window_name;
  std::optional<uint32_t> background, foreground, window_styles, ex_window_styles;
};

// A window definition of the project's [WINDOWS] section:
// name="caption","contents","index","default","home","jump 1 url","jump 1
// text","jump 2 url","jump 2 text",properties,pane width,buttons,[left,top,
// right,bottom],styles,extended styles,show state,pane closed,tab,tab
// position,notification id. Empty fields stay unset.
struct WindowDefinition {
  std::string name, caption, contents_file, index_file, default_topic, home, jump1_url, jump1_text, jump2_url,
      jump2_text;
  std::optional<uint32_t> properties, pane_width, buttons, styles, ex_styles, show_state, pane_closed, tab,
      tab_position, notification_id;
  std::optional<std::vector<int32_t>> rect;  // four edges
};

struct ChmProject {
  std::string title;           // "Title="
  std::string compiled_file;   // "Compiled file=" ("Name.chm"); may be empty
  std::string default_topic;   // "Default topic=", a file name; may be empty
  std::string contents_file;   // "Contents file="; may be empty
  std::string index_file;      // "Index file="; may be empty
  std::string default_font;    // "Default Font="; may be empty
  uint32_t language = 0x0409;  // "Language=" (LCID)
  bool full_text_search = false;
  // Every file the manual holds, in the order the project reader found them.
  std::vector<ChmSourceFile> files;
  // The HTML pages among them, in the same order; a topic's index in this
  // list is its number in #TOPICS.
  std::vector<ChmTopic> topics;
  SiteProperties site;                    // from the contents file
  std::vector<WindowDefinition> windows;  // [WINDOWS]; none: one of the compiler's own
  std::string default_window;             // "Default Window="; may be empty
  // Words the full-text index leaves out ("Full text search stop list
  // file="), folded as the index folds them.
  std::vector<std::string> stop_words;
};

// The CHM file's bytes. The same project always gives the same bytes.
// Throws std::invalid_argument, naming the file, for a name the format
// cannot hold: empty, longer than 255 bytes (a Windows path is shorter),
// with a NUL byte, or longer than 510 bytes once stored in UTF-8 (readers
// hold a stored name in 512 bytes).
std::string compile_chm(const ChmProject& project);

}  // namespace lh::chm
