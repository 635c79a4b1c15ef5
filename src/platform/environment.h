// Environment variables and the program search path.
#pragma once

#include <cstddef>
#include <string>

namespace lh::platform {

// An environment variable's value; empty when unset.
std::string environment_variable(const std::string& name);

// Finds `name` on the program search path; empty when it is not there.
std::string find_on_search_path(const std::string& name);

}  // namespace lh::platform
