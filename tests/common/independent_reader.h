// Runs a reader we did not write (a Python script over Debian's own
// libraries) on a file we wrote, and hands back what it printed.
#pragma once

#include <string>

#include "process_runner.h"

namespace vdimpexp::testing {

using ReaderOutput = ProcessOutput;

// Runs readers/`script` with `arguments` (each already shell-quoted where
// needed) under the system's Python, which carries the Debian packages.
inline ReaderOutput RunIndependentReader(const std::string& script,
                                         const std::string& arguments) {
  return RunProcess("/usr/bin/python3 " +
                    ShellQuoted(std::string(VDIMPEXP_READERS_DIR) + "/" + script) + " " +
                    arguments);
}

}  // namespace vdimpexp::testing
