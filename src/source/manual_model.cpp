#include "source/manual_model.h"

#include "platform/files.h"

namespace lh {

namespace {

using Piece = std::optional<std::string> ManualEntry::*;

// The entry piece that a file of this extension (as a key) holds, or null.
Piece piece_of(std::string_view ext, bool fold) {
  if (ext == piece_key(".txt", fold)) return &ManualEntry::text;
  if (ext == piece_key(".cod", fold)) return &ManualEntry::code;
  if (ext == piece_key(".ex", fold)) return &ManualEntry::example;
  if (ext == piece_key(".exd", fold)) return &ManualEntry::example_title;
  if (ext == piece_key(".nfo", fold)) return &ManualEntry::information;
  return nullptr;
}

}  // namespace

std::string piece_key(std::string_view name, bool fold_case) {
  return fold_case ? platform::folded_name(name) : std::string(name);
}

const ManualEntry* find_entry(const ManualEntries& entries, std::string_view name) {
  auto it = entries.by_key.find(piece_key(name, entries.fold_case));
  return it == entries.by_key.end() ? nullptr : &it->second;
}

ManualEntry& entry_of(ManualEntries& entries, std::string_view name) {
  return entries.by_key[piece_key(name, entries.fold_case)];
}

void take_work_files(ManualModel& model, WorkFiles files) {
  const bool fold = model.entries.fold_case;
  const std::string resident = piece_key("Resident.pb", fold);
  for (WorkFile& f : files) {
    // The extension is judged on the key, so "Foo.TXT" is a text piece
    // exactly where the file system takes it for "Foo.txt".
    const std::string key = piece_key(f.name, fold);
    if (key == resident) {
      model.resident_declarations = std::move(f.content);
      continue;
    }
    const size_t dot = key.rfind('.');
    if (dot == std::string::npos) continue;
    const std::string_view ext = std::string_view(key).substr(dot);
    const std::string_view stem = std::string_view(f.name).substr(0, dot);
    if (ext == piece_key(".warn", fold)) {
      entry_of(model.entries, stem).warning = f.content.empty();
    } else if (Piece piece = piece_of(ext, fold)) {
      entry_of(model.entries, stem).*piece = std::move(f.content);
    }
  }
}

}  // namespace lh
