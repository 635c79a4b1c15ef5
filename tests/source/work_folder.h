// Scratch folders for the splitter tests: a fresh folder under the system's
// temporary folder, its files read back as a name -> bytes map, and removed
// at the end of the test.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "platform/files.h"
#include "source/manual_model.h"

namespace lh::testing {

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& tag) {
    static int counter = 0;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    root_ = base / ("lh-source-" + tag + "-" + std::to_string(++counter) + "-" +
                    std::to_string(reinterpret_cast<uintptr_t>(this) & 0xffff));
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    std::filesystem::create_directories(root_, ec);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's path with its separator at the end, as the system's folder
  // values are written.
  std::string path() const { return root_.string() + platform::separator(); }

  // A sub-folder, made on first use.
  std::string sub(const std::string& name) const {
    std::string p = path() + name;
    platform::create_folder(p);
    return p + platform::separator();
  }

 private:
  std::filesystem::path root_;
};

// Every file directly inside `folder` (which ends in its separator).
inline std::map<std::string, std::string> folder_files(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (const platform::FolderEntry& e : platform::list_folder(folder)) {
    if (e.is_folder) continue;
    std::string data;
    platform::read_file(folder + e.name, data);
    out[e.name] = data;
  }
  return out;
}

// The files a folder holds, as the include folder's copy hands them to the
// split.
inline WorkFiles brought_files(const std::string& folder) {
  WorkFiles out;
  for (auto& [name, data] : folder_files(folder)) out.push_back(WorkFile{name, data});
  return out;
}

// What the split's model holds is what the folder holds: every piece of
// every entry, the warning flags and the resident declarations, as files
// read back through the same rules. Empty when they agree; otherwise what
// differs.
inline std::string model_differs_from_folder(const ManualModel& model, const std::string& folder) {
  ManualModel read_back;
  read_back.entries.fold_case = model.entries.fold_case;
  take_work_files(read_back, brought_files(folder));
  std::string out;
  if (read_back.resident_declarations != model.resident_declarations) out += "Resident.pb\n";
  auto compare = [&](const ManualEntries& a, const ManualEntries& b, const char* which) {
    for (const auto& [key, e] : a.by_key) {
      auto it = b.by_key.find(key);
      static const ManualEntry kNone;
      const ManualEntry& o = it == b.by_key.end() ? kNone : it->second;
      if (e.text != o.text || e.code != o.code || e.example != o.example || e.example_title != o.example_title ||
          e.information != o.information || e.warning != o.warning)
        out += key + " " + which + "\n";
    }
  };
  compare(model.entries, read_back.entries, "in the model differs from its files");
  compare(read_back.entries, model.entries, "in the folder differs from the model");
  return out;
}

}  // namespace lh::testing
