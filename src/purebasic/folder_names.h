// The PureBasic installation's folders that a library goes into. The build,
// packaging and the installer program all place files there, so the names
// live here once. Each ends in a Windows separator, the installer's own
// form. The installer program, which carries no C++ runtime, takes the
// macros: string literals, so that it is built exactly as with its own.
#pragma once

#define LH_USER_LIBRARIES_FOLDER "PureLibraries\\UserLibraries\\"
#define LH_RESIDENTS_FOLDER "Residents\\"
#define LH_HELP_FOLDER "help\\"
#define LH_LIBRARY_SOURCE_FOLDER "Library_Source\\"

namespace lh::purebasic {

inline constexpr const char kUserLibrariesFolder[] = LH_USER_LIBRARIES_FOLDER;
inline constexpr const char kResidentsFolder[] = LH_RESIDENTS_FOLDER;
inline constexpr const char kHelpFolder[] = LH_HELP_FOLDER;
inline constexpr const char kLibrarySourceFolder[] = LH_LIBRARY_SOURCE_FOLDER;

}  // namespace lh::purebasic
