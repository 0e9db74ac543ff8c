#pragma once

// Runs a shell command for the install tests and gives back its exit status and everything
// it printed (standard output and standard error).

#include <string>
#include <utility>

namespace install_test {

std::pair<int, std::string> RunCommand(const std::string& command);

// The text in single quotes for the shell.
std::string ShellQuoted(const std::string& text);

}  // namespace install_test
