// Adding data resources to a Windows executable file. Windows does it with
// its resource update API; elsewhere the project's own PE resource writer
// does the same to the file.
#pragma once

#include <string>
#include <string_view>

namespace lh::platform {

// Puts `data` into the executable as an RT_RCDATA resource with the string
// name `name` and language 0, in one update cycle that rewrites the file.
// With `replace_all` the executable's existing resources are dropped;
// otherwise they stay and a resource of the same name and language is
// replaced. True only when the resource was written and the file committed.
bool update_resource(const std::string& executable, const std::string& name, std::string_view data, bool replace_all);

}  // namespace lh::platform
