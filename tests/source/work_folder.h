// Scratch folders for the splitter tests: a fresh folder under the system's
// temporary folder, its files read back as a name -> bytes map, and removed
// at the end of the test.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
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
// every entry, the warning flags and the resident declarations, read here
// straight from the files. Empty when they agree; otherwise the files that
// differ.
inline std::string model_differs_from_folder(const ManualModel& model, const std::string& folder) {
  const bool fold = model.entries.fold_case;
  std::map<std::string, std::string> files;  // by piece_key
  for (auto& [name, data] : folder_files(folder)) files[piece_key(name, fold)] = data;
  auto file = [&](const std::string& name) -> std::optional<std::string> {
    auto it = files.find(piece_key(name, fold));
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
  static const struct {
    const char* ext;
    std::optional<std::string> ManualEntry::*piece;
  } kPieces[] = {{".txt", &ManualEntry::text},
                 {".cod", &ManualEntry::code},
                 {".ex", &ManualEntry::example},
                 {".exd", &ManualEntry::example_title},
                 {".nfo", &ManualEntry::information}};
  std::string out;
  if (file("Resident.pb") != model.resident_declarations) out += "Resident.pb\n";
  for (const auto& [key, e] : model.entries.by_key) {
    for (const auto& p : kPieces)
      if (file(key + p.ext) != e.*p.piece) out += key + p.ext + "\n";
    const std::optional<std::string> warn = file(key + ".warn");
    if (e.warning != (warn && warn->empty())) out += key + ".warn\n";
  }
  // A piece file whose entry the model lacks.
  for (const auto& [key, data] : files) {
    for (const auto& p : kPieces) {
      const std::string ext = piece_key(p.ext, fold);
      if (key.size() >= ext.size() && key.compare(key.size() - ext.size(), ext.size(), ext) == 0 &&
          !model.entries.by_key.count(key.substr(0, key.size() - ext.size())))
        out += key + " has no entry\n";
    }
  }
  return out;
}

}  // namespace lh::testing
