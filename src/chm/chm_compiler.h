// The built-in CHM compiler: a compiled help file (ITSF container, LZX
// compressed content, the system files a viewer needs) from the files of a
// help project.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lh::platform {
class FileSystem;
}

namespace lh::chm {

struct ChmSourceFile {
  // Path inside the manual, relative, "/" between folders ("Index.html"),
  // spelled as the pages and sitemaps spell it (Windows-1252). Names equal
  // but for letter case are one file to a viewer: the first one is kept.
  std::string name;
  std::string content;  // its bytes, unchanged; empty when `disk_path` says where they are
  // When not empty: the file the bytes are read from, in blocks, while the
  // manual is written, so that they are never all in memory at once;
  // `disk_size` is the size it had when the project was read.
  std::string disk_path = {};
  uint64_t disk_size = 0;
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

// The CHM file's bytes into `chm`; the same project always gives the same
// bytes. Files whose bytes were left on disk are read through `files`.
// False, with the reason in `error` naming the file, for a name the format
// cannot hold (empty, longer than 255 bytes (a Windows path is shorter),
// with a NUL byte, or longer than 510 bytes once stored in UTF-8: readers
// hold a stored name in 512 bytes), and for a file on disk that cannot be
// read or that changed size since the project was read.
bool compile_chm(platform::FileSystem& files, const ChmProject& project, std::string& chm,
                 std::string* error = nullptr);

// The same bytes, written through `files` to `output_path` as they are
// made: the pages are read, compressed and passed on one after another, and
// the compressed content goes to "<output_path>.content~" beside the output
// (removed afterwards) once it outgrows `content_in_memory` bytes. Memory
// grows with the number of files and of words, not with their bytes. The
// manual is written under a temporary name (platform/whole_file.h) and
// renamed into place only when complete. False, with `error` saying why
// ("<output_path> cannot be written: <reason>" when a write failed), when
// the manual cannot be made or written; the output path is then left
// without a file.
inline constexpr uint64_t kContentInMemory = uint64_t{8} << 20;
bool compile_chm_file(platform::FileSystem& files, const ChmProject& project, const std::string& output_path,
                      std::string* error = nullptr, uint64_t content_in_memory = kContentInMemory);

}  // namespace lh::chm
