// Runs a reader we did not write (a Python script over Debian's own
// libraries) on a file we wrote, and hands back what it printed.
#pragma once

#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/wait.h>

namespace vdimpexp::testing {

struct ReaderOutput {
  int exit_code = -1;
  std::string text;  // standard output, then standard error
};

// Runs readers/`script` with `arguments` (each already shell-quoted where
// needed) under the system's Python, which carries the Debian packages.
inline ReaderOutput RunIndependentReader(const std::string& script,
                                         const std::string& arguments) {
  std::string command = "/usr/bin/python3 '" + std::string(VDIMPEXP_READERS_DIR) + "/" +
                        script + "' " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  ReaderOutput output;
  std::array<char, 4096> chunk;
  size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) {
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
