// What the program does between its start and its window (or the headless
// build): writes the highlighting library, reads the settings, fixes the
// work folder, checks for TailBite, finds PureBasic and, when the .pb
// association names another folder than the program's own, makes the user
// run the PureBasic editor once.
#pragma once

#include <string>
#include <string_view>

namespace lh {

struct AppState;
class Reporter;

// Program folder (own file's folder with separator) and settings path
// (program folder + base name + ".ini") from the program's own path.
void set_program_paths(AppState& state, const std::string& program_file);

// Temp folder + "SyntaxHilighting.dll" (".so" on Linux) into
// state.colouring_library, then the image written there, replacing any old
// file. False when it could not be written (start-up goes on regardless).
bool write_colouring_library(AppState& state, std::string_view image);

// Temp folder + "LibHammer\" ("LibHammer/").
void set_work_folder(AppState& state);

// True when PureBasic folder + "tailbite" exists as a file or folder, in any
// letter case.
bool tailbite_present(const std::string& purebasic_folder);

// The association check: when state.program_folder differs (byte for byte)
// from a fresh lookup, shows the prompt, runs program folder +
// "purebasic.exe" ("purebasic" on Linux) as a visible wait run, and sets
// state.purebasic_folder from a new lookup. True when it prompted. The
// prompt goes through `reporter`.
bool association_check(AppState& state, Reporter& reporter);

// The whole start-up of the window program, in order: colouring library,
// settings, work folder, TailBite check (message box "Tailbite not found"),
// PureBasic folder, association check. program_file is the program's own
// full path (platform::program_path()); the prompts go through `reporter`.
// True: the window opens; false: TailBite was not found (the message was
// shown) and the program ends.
bool start_up(AppState& state, const std::string& program_file, std::string_view highlighter_image, Reporter& reporter);

// The headless build's start-up: colouring library, work folder, PureBasic
// folder from `purebasic_folder` when not empty (a separator appended when
// missing) or from the lookup, TailBite check. No settings file, no prompt,
// no message box. False when TailBite was not found: the caller reports
// "Tailbite not found" on standard error.
bool start_up_headless(AppState& state, const std::string& program_file, std::string_view highlighter_image,
                       const std::string& purebasic_folder);

}  // namespace lh
