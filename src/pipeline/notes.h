// The compilation notes: the "Compilation" page of the manual, recording
// what built the library and when, and the resident declarations.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "source/manual_model.h"

namespace lh {

// Formats a local time with a date mask: "%yyyy" the year, "%yy" its last
// two digits, "%mm" month, "%dd" day, "%hh" hour (00-23), "%ii" minutes,
// "%ss" seconds, each with leading zeros; every other character is copied.
std::string format_date(std::string_view mask, const std::tm& time);

// The mask of the notes' date line: 9:05 on 1 February 2012 gives
// "01/02/12 09h05".
inline constexpr std::string_view kNotesDateMask = "%dd/%mm/%yy %hhh%ii";

// The notes of the "Compilation" page are its entry's pieces: the
// resident declarations become its code, the notes lines go after its text.
// Both are written to the work folder as well ("Compilation.cod",
// "Compilation.txt"), where a source page of that name left its own.

// The resident declarations with every ";//Resident" removed (case-
// sensitive), each line ended by CR LF.
std::string resident_notes_text(std::string_view declarations);

// Writes work folder + "Compilation.cod" from the model's resident
// declarations and makes it the "Compilation" entry's code. Nothing when
// the split left no declarations.
void write_resident_notes(platform::FileSystem& fs, const std::string& work_folder, ManualModel& model);

struct NotesInput {
  std::string library_version;
  std::string compiler_version_line;
  std::string tailbite_version;
  std::tm time{};
  int exported_count = 0;
};

// The notes lines; the last one points below to the resident declarations
// when the page has them.
std::string compilation_notes_text(const NotesInput& input, bool resident_below);

// Appends the notes lines to work folder + "Compilation.txt" and to the
// "Compilation" entry's text.
void write_compilation_notes(platform::FileSystem& fs, const std::string& work_folder, const NotesInput& input,
                             ManualModel& model);

}  // namespace lh
