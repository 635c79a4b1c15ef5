// The shell's tests write into the temporary folder (the highlighting
// library, the work folder path, scratch folders). They get a folder of
// their own so that they never replace files that other test programs,
// running at the same time, load from the real temporary folder.
#include <gtest/gtest.h>

#include <random>

#include "fakes/standin_support.h"

namespace lh {
namespace {

#ifdef _WIN32
const char* const kVariables[] = {"TMP", "TEMP"};
#else
const char* const kVariables[] = {"TMPDIR"};
#endif

class PrivateTempFolder : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = platform::temp_folder() + "lh-shell-tests-" + std::to_string(std::random_device{}() % 1000000) +
              platform::separator();
    test::remove_tree(folder_);
    platform::create_folder(folder_);
    for (const char* name : kVariables) {
      saved_.push_back(platform::environment_variable(name));
      test::set_env(name, folder_);
    }
  }
  void TearDown() override {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i].empty()) {
        test::unset_env(kVariables[i]);
      } else {
        test::set_env(kVariables[i], saved_[i]);
      }
    }
    test::remove_tree(folder_);
  }

 private:
  std::string folder_;
  std::vector<std::string> saved_;
};

const auto* const kRegistered = ::testing::AddGlobalTestEnvironment(new PrivateTempFolder);

}  // namespace
}  // namespace lh
