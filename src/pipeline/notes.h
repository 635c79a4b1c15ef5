// The compilation notes: the "Compilation" page of the manual, recording
// what built the library and when, and the resident declarations.
#pragma once

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "purebasic/tools.h"

namespace lh {

// Formats a local time with a date mask: "%yyyy" the year, "%yy" its last
// two digits, "%mm" month, "%dd" day, "%hh" hour (00-23), "%ii" minutes,
// "%ss" seconds, each with leading zeros; every other character is copied.
std::string format_date(std::string_view mask, const std::tm& time);

// The mask of the notes' date line: 9:05 on 1 February 2012 gives
// "01/02/12 09h05".
inline constexpr std::string_view kNotesDateMask = "%dd/%mm/%yy %hhh%ii";

// Writes work folder + "Compilation.cod" from the resident declarations
// (work folder + "Resident.pb"), every ";//Resident" removed (case-
// sensitive). Nothing when the declarations cannot be read.
void write_resident_notes(const std::string& work_folder);

struct NotesInput {
  std::string library_version;
  std::string compiler_version_line;
  std::string tailbite_version;
  std::tm time{};
  int exported_count = 0;
};

// Appends the notes lines to work folder + "Compilation.txt".
void write_compilation_notes(const std::string& work_folder, const NotesInput& input);

}  // namespace lh
