// The PureBasic installation's folders that a library goes into. The build,
// packaging and the installer program all place files there, so the names
// live here once, as plain constants: the installer program carries no C++
// runtime. Each ends in a Windows separator, the installer's own form.
#pragma once

namespace lh::purebasic {

inline constexpr const char kUserLibrariesFolder[] = "PureLibraries\\UserLibraries\\";
inline constexpr const char kResidentsFolder[] = "Residents\\";
inline constexpr const char kHelpFolder[] = "help\\";
inline constexpr const char kLibrarySourceFolder[] = "Library_Source\\";

}  // namespace lh::purebasic
