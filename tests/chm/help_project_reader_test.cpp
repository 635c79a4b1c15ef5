// The project reader: which files a help project takes into the manual, in
// which order, with which topic titles, and what it names as missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chm/help_project_reader.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace lh::chm {
namespace {

const char kSep = platform::separator();

class ProjectFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    root_ = ::testing::TempDir() + "lh_chm_" + info->name() + kSep;
    remove_tree(root_);
    platform::create_folder(root_);
  }
  void TearDown() override {
    if (!HasFailure()) remove_tree(root_);
  }
  static void remove_tree(const std::string& folder) {
    for (const auto& e : platform::list_folder(folder)) {
      if (e.is_folder)
        remove_tree(folder + e.name + kSep);
      else
        platform::delete_file(folder + e.name);
    }
    platform::remove_folder(folder);
  }
  void put(std::string name, const std::string& content) {
    for (char& c : name)
      if (c == '/') c = kSep;
    size_t slash = name.find(kSep);
    if (slash != std::string::npos) platform::create_folder(root_ + name.substr(0, slash));
    ASSERT_TRUE(platform::write_file(root_ + name, content)) << name;
  }
  HelpProjectReading read(const std::string& project_text, const std::string& name = "p.hhp") {
    put(name, project_text);
    HelpProjectReading r;
    EXPECT_TRUE(read_help_project(platform::real_file_system(), root_ + name, r)) << name;
    return r;
  }
  static std::vector<std::string> names(const HelpProjectReading& r) {
    std::vector<std::string> out;
    for (const ChmSourceFile& f : r.project.files) out.push_back(f.name);
    return out;
  }
  static std::string title_of(const HelpProjectReading& r, const std::string& file) {
    for (const ChmTopic& t : r.project.topics)
      if (t.file == file) return t.title;
    return "(no topic)";
  }
  std::string root_;
};

TEST_F(ProjectFolder, FollowsReferencesThroughPagesAndTitlesTopics) {
  put("toc.hhc",
      "<HTML><BODY><OBJECT type=\"text/site properties\"></OBJECT><UL>\r\n"
      "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Start &amp; more\">"
      "<param name=\"Local\" value=\"start.html\"></OBJECT>\r\n"
      "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Deep\">"
      "<param name=\"Local\" value=\"sub\\deep.htm#part\"></OBJECT></UL></BODY></HTML>");
  put("idx.hhk",
      "<UL><LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"keyword\">"
      "<param name=\"Local\" value=\"start.html\"></OBJECT>"
      "<LI> <OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"From index\">"
      "<param name=\"Local\" value=\"indexed.html\"></OBJECT></UL>");
  put("start.html",
      "<a href=\"second.html?x=1\">2</a> <A HREF='mailto:a@b.c'>m</A> <a href=\"http://x.org/y.html\">"
      "<a href=\"javascript:go()\"> <a href=\"#top\"> <img src=\"pic%20one.gif\"> <a href=\"../outside.html\">"
      "<a href=\"gone.html\"> <a href=\"GONE.html\">");
  put("second.html", "<head><title>Second\r\n page</title></head><a href=\"start.html\">back</a>");
  put("sub/deep.htm", "<img src=\"../pic one.gif\"><a href=\"third.html\">");
  put("sub/third.html", "no links");
  put("pic one.gif", "GIF89a");
  put("indexed.html", "<title>Own title</title>");
  put("listed.css", "body{}");
  put("front.html", "front");
  HelpProjectReading r = read(
      "[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=out\\Manual.chm\r\n Contents file = toc.hhc\r\n"
      "Default topic=front.html\r\nFull-text search=Yes\r\nTitle=My Manual\r\nindex FILE=idx.hhk\r\n"
      "Language=0x407 German (Germany)\r\nDefault Font=Arial,8,0\r\nBinary TOC=Yes\r\n\r\n"
      "[FILES]\r\n; a comment\r\nlisted.css\r\nfront.html\r\n\r\n[WINDOWS]\r\nmain=x\r\n");
  EXPECT_EQ(names(r),
            (std::vector<std::string>{"toc.hhc", "idx.hhk", "front.html", "listed.css", "start.html", "sub/deep.htm",
                                      "indexed.html", "second.html", "pic one.gif", "sub/third.html"}));
  EXPECT_EQ(r.missing, std::vector<std::string>{"gone.html"});
  const ChmProject& p = r.project;
  EXPECT_EQ(r.output_path, root_ + "out" + kSep + "Manual.chm");
  EXPECT_EQ(p.contents_file, "toc.hhc");
  EXPECT_EQ(p.index_file, "idx.hhk");
  EXPECT_EQ(p.default_topic, "front.html");
  EXPECT_EQ(p.title, "My Manual");
  EXPECT_EQ(p.default_font, "Arial,8,0");
  EXPECT_EQ(p.language, 0x407u);
  EXPECT_TRUE(p.full_text_search);
  // Topics are the pages, in file order; contents name, else index name,
  // else the page's own title, else the file name.
  ASSERT_EQ(p.topics.size(), 6u);
  EXPECT_EQ(p.topics[0].file, "front.html");
  EXPECT_EQ(title_of(r, "start.html"), "Start & more");
  EXPECT_EQ(title_of(r, "sub/deep.htm"), "Deep");
  EXPECT_EQ(title_of(r, "indexed.html"), "From index");
  EXPECT_EQ(title_of(r, "second.html"), "Second page");
  EXPECT_EQ(title_of(r, "sub/third.html"), "third.html");
  std::string bytes;
  ASSERT_TRUE(platform::read_file(root_ + "pic one.gif", bytes));
  EXPECT_EQ(p.files[8].content, bytes);
}

// What a strict parser rejects still gives every link: a lone "<", a tag
// without its ">", a comment never closed, a quote never closed. A name
// that starts with a blank keeps it.
TEST_F(ProjectFolder, ForgivingHtmlLosesNoPage) {
  // A text-only entry's page name starts with a blank.
  put("toc.hhc", "<param name=\"Local\" value=\"a.html\"><param name=\"Local\" value=\" lead.html\">");
  put(" lead.html", "");
  put("a.html",
      "If a < b and c<>d then <a href=\"b.html\">b</a> 1<2 <a href=\"c.html\" <img src=\"d.gif\">"
      "<p class=\"x>text <a href=e.html>");
  put("b.html", "<!-- never closed <a href=\"f.html\">");
  put("c.html", "c");
  put("d.gif", "d");
  put("e.html", "<a href='g.html");
  put("f.html", "f");
  put("g.html", "g");
  HelpProjectReading r = read("[OPTIONS]\nContents file=toc.hhc\n");
  EXPECT_EQ(names(r), (std::vector<std::string>{"toc.hhc", "a.html", " lead.html", "b.html", "c.html", "d.gif",
                                                "e.html", "f.html", "g.html"}));
  EXPECT_TRUE(r.missing.empty());
}

// A contents entry " Tok.html" names its own page, not "Tok.html": each
// entry opens its own page, whichever comes first.
TEST_F(ProjectFolder, PageNamesAreNeverTrimmed) {
  put("toc.hhc",
      "<param name=\"Local\" value=\" Tok.html\"><param name=\"Local\" value=\"Tok.html\">"
      "<param name=\"Local\" value=\" Tok.html\">");
  put(" Tok.html", "lead");
  put("Tok.html", "plain");
  HelpProjectReading r = read("[OPTIONS]\nContents file=toc.hhc\n");
  EXPECT_EQ(names(r), (std::vector<std::string>{"toc.hhc", " Tok.html", "Tok.html"}));
  ASSERT_EQ(r.project.files.size(), 3u);
  EXPECT_EQ(r.project.files[1].content, "lead");
  EXPECT_EQ(r.project.files[2].content, "plain");
}

// What Sphinx's and Doxygen's projects use: a window definition instead of
// the options, [FILES] with wildcards and backslashes, a stop list, style
// sheets and scripts that name further files, links in other letter case.
// What cannot be taken in is named with its reason.
TEST_F(ProjectFolder, ProjectsOfOtherTools) {
  put("doc.hhc",
      "<OBJECT type=\"text/site properties\"><param name=\"ImageType\" value=\"Folder\">"
      "<param name=\"Window Styles\" value=\"0x800025\"><param name=\"Font\" value=\"Tahoma,8,0\"></OBJECT>"
      "<param name=\"Local\" value=\"Index.HTML\">");
  put("index.html",
      "<link rel=stylesheet href=\"_static/main.css\"><script src=\"_static/tools.js\"></script>"
      "<div style=\"background: url('_static/bg.png')\"></div><style>h1 { background: url(_static/h1.png) }</style>"
      "<a href=\"../up.html\">up</a>");
  put("_static/main.css",
      "@import \"more.css\"; body { background: url( \"../img/back.gif\" ) } a { x: url(gone.png) }");
  put("_static/more.css", "p{}");
  put("img/back.gif", "g");
  put("_static/bg.png", "b");
  put("_static/h1.png", "h");
  put("_static/tools.js", "var a = 'searchindex.js', b = \"not a file.txt\", c = 'missing.js';");
  put("searchindex.js", "Search.setIndex({})");
  put("img/one.png", "1");
  put("img/two.PNG", "2");
  put("img/skip.gif", "s");
  put("doc.stp", "the and\r\nA\tOF\n");
  HelpProjectReading r = read(
      "[OPTIONS]\nDefault Window=doc\nFull text search stop list file=doc.stp\nFull-text search=Yes\n"
      "[WINDOWS]\nother=\"Other\",,,,,,,,,0x1,,,,,,,,,,0\n"
      "doc=\"Doc, the "
      "manual\",\"doc.hhc\",,\"index.html\",\"index.html\",,,,,0x63520,220,0x10384e,[0,0,1024,768],,,,,,,0\n"
      "[FILES]\nimg\\*.png\nnone\\*.gif\n");
  EXPECT_EQ(names(r), (std::vector<std::string>{
                          "doc.hhc", "index.html", "img/one.png", "img/two.PNG", "_static/main.css", "_static/tools.js",
                          "_static/bg.png", "_static/h1.png", "_static/more.css", "img/back.gif", "searchindex.js"}));
  EXPECT_EQ(r.missing, std::vector<std::string>{"_static/gone.png"});
  EXPECT_EQ(r.left_out, (std::vector<std::string>{"none\\*.gif (no file matches it)",
                                                  "../up.html (outside the project's folder)"}));
  const ChmProject& p = r.project;
  EXPECT_EQ(p.contents_file, "doc.hhc");
  EXPECT_EQ(p.default_topic, "index.html");
  EXPECT_EQ(p.default_window, "doc");
  ASSERT_EQ(p.windows.size(), 2u);
  const WindowDefinition& w = p.windows[1];
  EXPECT_EQ(w.caption, "Doc, the manual");
  EXPECT_EQ(w.contents_file, "doc.hhc");
  EXPECT_EQ(w.home, "index.html");
  EXPECT_EQ(w.properties, 0x63520u);
  EXPECT_EQ(w.pane_width, 220u);
  EXPECT_EQ(w.buttons, 0x10384Eu);
  EXPECT_EQ(w.rect, (std::vector<int32_t>{0, 0, 1024, 768}));
  EXPECT_FALSE(w.styles.has_value());
  EXPECT_EQ(w.notification_id, 0u);
  EXPECT_EQ(p.stop_words, (std::vector<std::string>{"the", "and", "a", "of"}));
  EXPECT_TRUE(p.site.folder_images);
  EXPECT_EQ(p.site.window_styles, 0x800025u);
  EXPECT_EQ(p.site.font, "Tahoma,8,0");
  EXPECT_FALSE(p.site.background.has_value());
}

TEST_F(ProjectFolder, FiftyMegabytePageIsReadWhole) {
  std::string page;
  page.reserve(50u << 20);
  while (page.size() < (50u << 20)) page += "x < y <b>bold</b> <a href=\"next.html\"> \"unclosed <tag ";
  page += "<img src=\"last.gif\">";
  put("big.html", page);
  put("next.html", "n");
  put("last.gif", "l");
  HelpProjectReading r = read("[OPTIONS]\r\nDefault topic=big.html\r\n");
  EXPECT_EQ(names(r), (std::vector<std::string>{"big.html", "next.html", "last.gif"}));
  ASSERT_FALSE(r.project.files.empty());
  EXPECT_EQ(r.project.files[0].content.size(), page.size());
}

TEST_F(ProjectFolder, EmptyMissingAndUnreadableProjects) {
  HelpProjectReading empty = read("", "Empty.hhp");
  EXPECT_TRUE(empty.project.files.empty());
  EXPECT_TRUE(empty.missing.empty());
  EXPECT_EQ(empty.output_path, root_ + "Empty.chm");  // no "Compiled file=": beside the project

  HelpProjectReading named = read("[OPTIONS]\nContents file=none.hhc\nDefault topic=Index.html\n[FILES]\nx.gif\n");
  EXPECT_EQ(named.missing, (std::vector<std::string>{"none.hhc", "Index.html", "x.gif"}));
  EXPECT_TRUE(named.project.default_topic.empty());
  EXPECT_TRUE(named.project.contents_file.empty());

  HelpProjectReading none;
  EXPECT_FALSE(read_help_project(platform::real_file_system(), root_ + "nothing.hhp", none));
}

}  // namespace
}  // namespace lh::chm
