// Commands saved with --save-job, for `vdimpexp run`: a small JSON document
// of the command's words and its options as they were given,
//
//   {"vdimpexp_job": 1, "command": ["export"],
//    "options": {"--db": "shop.db", "--fields": ["LastName", "City"],
//                "--overwrite": true}}
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace vdimpexp::cli {

// Writes the command `app` parsed, its innermost subcommand's options, to
// `file`. Throws std::runtime_error when the file cannot be written.
void SaveJob(const CLI::App& app, const std::string& file);

// The arguments of the command saved in `file`, its words first; `database`,
// unless empty, stands for the host database the job names. Throws
// std::runtime_error saying what keeps the file from being a job.
std::vector<std::string> SavedJobArguments(const std::string& file,
                                           const std::string& database);

}  // namespace vdimpexp::cli
