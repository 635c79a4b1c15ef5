// Where PureBasic, its compiler and TailBite are, and what the compiler
// says about itself. Nothing here is cached: every call looks again.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace lh {

namespace platform {
class FileSystem;
}

class VersionAsker;

// The user's temporary folder with its trailing separator (long form on
// Windows; $TMPDIR or /tmp elsewhere).
std::string temp_folder();

// The PureBasic folder named by the .pb association (the editor's icon in
// the registry), with its trailing separator, or empty. On Linux the
// environment variable PUREBASIC_HOME stands in (separator appended).
std::string purebasic_registry_lookup();

// The folder part of an icon value such as "C:\PB\PureBasic.exe",1: the
// text before the first ",", one leading quote skipped, everything up to and
// including the last "\" or "/" before the end or the first "|".
std::string folder_from_icon_value(std::string_view value);

// PureBasic folder + "TailBite\TailBite.exe". On Linux "TailBite/TailBite",
// or, when that is not there, the folder and program of those names in
// whatever letter case they exist (the TailBite check accepts any case).
std::string tailbite_path(platform::FileSystem& files, const std::string& purebasic_folder);

// PureBasic folder + "Compilers\pbcompiler.exe" ("compilers/pbcompiler" on
// Linux): the compiler that builds the resident file.
std::string compiler_path(const std::string& purebasic_folder);

// How long a tool's version query ("/VERSION", "/VERS") may take. The
// answer comes at once; a tool that stays silent is ended after this.
inline constexpr std::chrono::milliseconds kVersionAnswerWait{30000};

// "30 s" (or "250 ms" for a wait shorter than a second), for messages.
std::string wait_text(std::chrono::milliseconds wait);

// The first output line of the compiler's "/VERSION" query (a hidden
// capture run) into `line`; empty when it prints nothing. False, with
// `line` empty, when it gave no answer. A compiler that has given no line
// within `wait` is ended, and `error` receives the sentence the user is to
// hear about it; one that could not be started, or was ended by the run's
// cancellation, leaves `error` as it was: there is nothing to tell.
bool compiler_version_line(VersionAsker& tools, const std::string& purebasic_folder, std::chrono::milliseconds wait,
                           std::string& line, std::string* error);

// The TailBite version text into `text`: the output lines of TailBite
// "/VERS" (a capture run), joined with nothing between them. False, with
// `text` empty, when it gave no answer; a TailBite that has not ended its
// answer within `wait`, or has printed more than any version text holds, is
// ended and `error` receives the sentence for the user, as for the
// compiler.
bool tailbite_version_text(VersionAsker& tools, const std::string& tailbite_path, std::chrono::milliseconds wait,
                           std::string& text, std::string* error);

// The package name's processor tag taken from a version line: the text after
// " - " in the line's last parenthesised group ("x64", "x86", "arm"), at most
// three characters; otherwise three characters from the first lower-case
// "x", or the first three characters when there is none.
std::string processor_tag_of(std::string_view version_line);

}  // namespace lh
