// Which entry names may become file names. Every file that bears an entry's
// name (piece files, pages, coloured files, warning markers) is the work
// folder + the name + an extension, so a name must not lead out of the work
// folder or open a device instead of a file. The same names are refused on
// every target, so that a manual built on Linux matches one built on Windows.
#pragma once

#include <string_view>

namespace lh {

// False for a name that holds "/", "\", any of : * ? " < > |, or a control
// character (below 32); for "." and ".."; and for a Windows device name (Con,
// Prn, Aux, Nul, Com1 to Com9, Lpt1 to Lpt9, in any letter case) standing
// alone or before a "." (Windows ignores what follows, and spaces before it).
// A refused entry keeps its record and its register entry but gets no file.
bool is_safe_entry_name(std::string_view name);

}  // namespace lh
