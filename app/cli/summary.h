// What a command tells when it ends: lines of text on standard output, or
// with --json the same as one JSON document there, with the exit status.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "app/cli/commands.h"

namespace vdimpexp::cli {

class Summary {
 public:
  Summary(const char* command, Streams streams) : streams_(streams) {
    document_["command"] = command;
  }

  nlohmann::ordered_json& operator[](const char* key) { return document_[key]; }
  // A line of the text form.
  void Say(const std::string& line) {
    if (!streams_.json) streams_.out << line << "\n";
  }
  // Prints the document under --json; returns `status`.
  int End(int status) {
    if (streams_.json) {
      document_["exit_status"] = status;
      streams_.out << document_.dump(2) << "\n";
    }
    return status;
  }

 private:
  Streams streams_;
  nlohmann::ordered_json document_ = nlohmann::ordered_json::object();
};

}  // namespace vdimpexp::cli
