// Runs a command through the shell and hands back what it printed: the one
// way tests start other programs (independent readers, the sqlite3 shell).
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace vdimpexp::testing {

struct ProcessOutput {
  int exit_code = -1;  // -1 when the program did not exit by itself
  std::string text;    // standard output, then standard error
};

// Runs `command` (already shell-quoted where needed) with its standard
// error joined to its output.
inline ProcessOutput RunProcess(const std::string& command) {
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  ProcessOutput output;
  std::array<char, 4096> chunk;
  for (size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) {
    output.text.append(chunk.data(), got);
  }
  int status = pclose(pipe);
  output.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

// Single-quotes `text` for the shell.
inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace vdimpexp::testing
