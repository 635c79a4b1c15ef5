// Help projects of other tools, compiled by `libhammer chm` and read back by
// every reader: Sphinx's (a [WINDOWS] definition, a stop list, style sheets,
// a page name with blanks, "Show source" links to files the builder leaves
// out) and Doxygen's (a window, a page per structure, images and scripts).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/files.h"

namespace {

// Runs `command` in the shell with its output into `log`; its exit status.
int run(const std::string& command, const std::string& log) {
  const int status = std::system((command + " >'" + log + "' 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string slurp(const std::string& path) {
  std::string text;
  lh::platform::read_file(path, text);
  return text;
}

class OtherTools : public ::testing::Test {
 protected:
  void SetUp() override {
    work_ = std::string(LH_E2E_WORK) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_EQ(std::system(("rm -rf '" + work_ + "' && mkdir -p '" + work_ + "'").c_str()), 0);
  }

  // Compiles the project with `libhammer chm` and reads the manual back:
  // chmlib (every file the project folder holds that the manual names,
  // byte-identical), libmspack's look-up in other letter case, `7z t`, and
  // pychm (the word finds `page` in a body search and in titles only).
  void compile_and_read(const std::string& hhp, const std::string& chm, const std::string& word,
                        const std::string& page) {
    const std::string log = work_ + "/log.txt";
    ASSERT_EQ(run(std::string(LH_LIBHAMMER) + " chm '" + hhp + "'", log), 0) << slurp(log);
    EXPECT_NE(slurp(log).find("ok "), std::string::npos) << slurp(log);
    EXPECT_EQ(run(std::string(LH_MSPACK_LOOKUP) + " '" + chm + "' '" + work_ + "'", log), 0) << slurp(log);
    EXPECT_EQ(run("7z t '" + chm + "'", log), 0) << slurp(log);
    EXPECT_EQ(
        run("/usr/bin/python3 " LH_PROJECT_CHECK " '" + chm + "' '" + hhp + "' '" + word + "' '" + page + "'", log), 0)
        << slurp(log);
  }

  std::string work_;
};

TEST_F(OtherTools, SphinxHtmlHelpProject) {
  const std::string src = work_ + "/src", out = work_ + "/out", log = work_ + "/sphinx.txt";
  ASSERT_EQ(run("mkdir -p '" + src + "' && cp /usr/share/doc/python3-setuptools/*.rst* '" + src + "' && gunzip -f '" +
                    src + "'/*.gz",
                log),
            0)
      << slurp(log);
  ASSERT_EQ(run("sphinx-build -q -C -b htmlhelp -D extensions=sphinxcontrib.htmlhelp -D master_doc=index "
                "-D project=setuptools '" +
                    src + "' '" + out + "'",
                log),
            0)
      << slurp(log);
  compile_and_read(out + "/setuptoolsdoc.hhp", out + "/setuptoolsdoc.chm", "roadmap", "roadmap.html");
}

TEST_F(OtherTools, DoxygenHtmlHelpProject) {
  const std::string doxyfile = work_ + "/Doxyfile";
  ASSERT_TRUE(lh::platform::write_file(doxyfile,
                                       "PROJECT_NAME = libmspack\n"
                                       "INPUT = /usr/include/mspack.h /usr/include/chm_lib.h\n"
                                       "OUTPUT_DIRECTORY = " +
                                           work_ +
                                           "/out\n"
                                           "GENERATE_LATEX = NO\nGENERATE_HTMLHELP = YES\nCHM_FILE = mspack.chm\n"
                                           "HAVE_DOT = NO\nEXTRACT_ALL = YES\nSEARCHENGINE = NO\n"
                                           "QUIET = YES\nWARNINGS = NO\n"));
  const std::string log = work_ + "/doxygen.txt";
  ASSERT_EQ(run("cd '" + work_ + "' && doxygen Doxyfile", log), 0) << slurp(log);
  const std::string html = work_ + "/out/html";
  compile_and_read(html + "/index.hhp", html + "/mspack.chm", "mschm", "structmschm__decompressor.html");
}

}  // namespace
