#include "pipeline/work_folder.h"

#include <thread>

#include "base/cancellation.h"
#include "base/reporter.h"
#include "pipeline/pipeline.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace lh {

void delete_work_folder(platform::FileSystem& files, const std::string& folder) {
  if (!files.is_folder(folder)) return;
  for (const platform::FolderEntry& entry : files.list_folder(folder))
    if (!entry.is_folder) files.delete_file(folder + entry.name);
  files.remove_folder(folder);
}

bool wait_until_gone(platform::FileSystem& files, const std::string& folder, std::chrono::milliseconds bound) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto last_try = start;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!files.exists(folder)) return true;
    auto now = Clock::now();
    if (now - start >= bound) return false;
    if (now - last_try >= std::chrono::milliseconds(100)) {
      delete_work_folder(files, folder);
      last_try = now;
    }
  }
}

std::vector<std::string> blocking_entries(platform::FileSystem& files, const std::string& folder) {
  std::vector<std::string> out;
  for (const platform::FolderEntry& entry : files.list_folder(folder))
    out.push_back(entry.is_folder ? entry.name + platform::separator() : entry.name);
  return out;
}

std::string blocked_work_folder_message(const std::string& folder, const std::vector<std::string>& entries) {
  std::string text = "The work folder " + folder + " could not be removed, so nothing was built.";
  if (entries.empty()) {
    text += " The folder itself may be open in another program.";
  } else {
    text += " It still holds:";
    size_t shown = 0;
    for (const std::string& name : entries) {
      if (++shown > 10) {
        text += "\n  ... and " + std::to_string(entries.size() - 10) + " more";
        break;
      }
      text += "\n  " + name;
    }
    text +=
        "\nFolders are never removed by a build; files stay when they are read-only or open in another "
        "program.";
  }
  text += "\nClose or remove what is listed, then build again.";
  return text;
}

WorkFiles copy_include_folder(platform::FileSystem& fs, const std::string& include_folder,
                              const std::string& work_folder) {
  WorkFiles copied;
  if (include_folder.empty() || !fs.is_folder(include_folder)) return copied;
  for (const platform::FolderEntry& entry : fs.list_folder(include_folder)) {
    if (entry.is_folder) continue;
    // The copy is what the work folder holds; its content is read from the
    // original, which no step writes.
    WorkFile file{entry.name, {}};
    if (fs.copy_file(include_folder + entry.name, work_folder + entry.name) &&
        fs.read_file(include_folder + entry.name, file.content))
      copied.push_back(std::move(file));
  }
  return copied;
}

std::string work_folder_lock_path(const std::string& work_folder) {
  std::string path = work_folder;
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path + ".lock";
}

std::string waiting_for_run_text(unsigned long pid) {
  return pid == 0 ? "waiting for another LibHammer run to finish"
                  : "waiting for another LibHammer run, process " + std::to_string(pid) + ", to finish";
}

std::unique_ptr<platform::FileLock> hold_work_folder(const std::string& work_folder, Reporter* reporter,
                                                     const Cancellation* cancel) {
  std::string error;
  auto lock = platform::wait_for_lock(
      work_folder_lock_path(work_folder),
      [&](unsigned long pid) {
        if (reporter) reporter->progress({0, kRunSteps, waiting_for_run_text(pid)});
      },
      [&] { return stop_requested(cancel); }, &error);
  if (!lock && !error.empty())
    tell(reporter,
         "The work folder could not be locked against a second run (" + error + "); the build goes on without.",
         MessageIcon::kError);
  return lock;
}

}  // namespace lh
