// Splitting an encoder's command line into the words a program is started with (no shell).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavelo::engine {

// Words are separated by blanks; double quotes group blanks into a word, and \" and \\ stand for
// a quote and a backslash. Any other backslash is kept as it is, so folder paths need no escapes.
std::vector<std::string> splitCommandLine(std::string_view line);

}  // namespace tavelo::engine
