// A fresh work folder for each build: the old one emptied and removed, a new
// one created and filled with the include folder's files.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_lock.h"
#include "platform/file_system.h"
#include "source/manual_model.h"

namespace lh {

class Cancellation;
class Reporter;

namespace platform {
class FileSystem;
}

// Deletes every file directly inside `folder`, then removes the folder.
// Subfolders are not entered; files that cannot be deleted stay, and the
// folder with them. A missing folder is no error.
void delete_work_folder(platform::FileSystem& files, const std::string& folder);

// Waits until `folder` no longer exists, pausing 1 ms before each look and
// deleting again now and then, so a file that another program releases
// within the bound still goes. False when the folder is still there after
// `bound`.
bool wait_until_gone(platform::FileSystem& files, const std::string& folder, std::chrono::milliseconds bound);

// What keeps `folder` in place: its subfolders and the files that could not
// be deleted, as "name" for files and "name\" ("name/") for folders.
std::vector<std::string> blocking_entries(platform::FileSystem& files, const std::string& folder);

// The text that tells the user why the build stopped.
std::string blocked_work_folder_message(const std::string& folder, const std::vector<std::string>& entries);

// The lock file of a work folder: beside it, the folder's name + ".lock"
// (temporary folder + "LibHammer.lock").
std::string work_folder_lock_path(const std::string& work_folder);

// One run per work folder, from the start of the build to the end of
// packaging: waits until no other run holds the work folder, then holds it
// for as long as the returned lock lives. While another run holds it, the
// run's progress line says so, once ("waiting for another LibHammer run,
// process N, to finish"); once `cancel` is requested the wait gives up and
// null is returned. A lock file that cannot be made at all is no reason to
// refuse the build: the reporter is told why, and null is returned.
std::unique_ptr<platform::FileLock> hold_work_folder(const std::string& work_folder, Reporter* reporter,
                                                     const Cancellation* cancel);

// The line that says whom a run waits for; pid 0: unknown.
std::string waiting_for_run_text(unsigned long pid);

// Copies every file directly inside `include_folder` into `work_folder`;
// nothing when the include folder is empty or not a folder. Returns the
// files copied, with what they hold, so that the split takes them from
// memory.
WorkFiles copy_include_folder(platform::FileSystem& fs, const std::string& include_folder,
                              const std::string& work_folder);

}  // namespace lh
