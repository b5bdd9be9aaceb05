#include "app/cli/saved_job.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

namespace vdimpexp::cli {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kMark = "vdimpexp_job";

bool IsListOfTexts(const Json& value) {
  if (!value.is_array()) return false;
  for (const Json& item : value) {
    if (!item.is_string()) return false;
  }
  return true;
}

// The job's document, checked for the shape SaveJob writes: anything else
// would reach the command line as words nobody typed.
Json ReadJob(const std::string& file) {
  std::ifstream in(file);
  if (!in)
    throw std::runtime_error(std::string("it cannot be read: ") + std::strerror(errno));
  Json job = Json::parse(in, nullptr, false);
  if (job.is_discarded()) throw std::runtime_error("it is no JSON document");
  if (!job.is_object() || job.value(kMark, Json()) != 1) {
    throw std::runtime_error("it is no saved job");
  }
  const Json& command = job.value("command", Json());
  if (!IsListOfTexts(command) || command.empty()) {
    throw std::runtime_error("its \"command\" is no list of words");
  }
  if (!job.value("options", Json()).is_object()) {
    throw std::runtime_error("its \"options\" are no object");
  }
  for (const auto& [name, value] : job["options"].items()) {
    if (name.rfind("--", 0) != 0) {
      throw std::runtime_error("'" + name + "' is no option");
    }
    if (!value.is_string() && !IsListOfTexts(value) && value != true) {
      throw std::runtime_error("the option " + name +
                               " holds neither a text, a list of texts nor true");
    }
  }
  return job;
}

}  // namespace

void SaveJob(const CLI::App& app, const std::string& file) {
  Json job = {{kMark, 1}};
  const CLI::App* command = &app;
  while (!command->get_subcommands().empty()) {
    command = command->get_subcommands().front();
    job["command"].push_back(command->get_name());
  }
  Json& options = job["options"] = Json::object();
  for (const CLI::Option* option : command->get_options()) {
    const std::string name = option->get_name();
    if (option->count() == 0 || name == "--help" || name == "--save-job") continue;
    const std::vector<std::string>& given = option->results();
    if (option->get_expected_min() == 0) {
      options[name] = true;
    } else if (given.size() == 1) {
      options[name] = given.front();
    } else {
      options[name] = given;
    }
  }
  std::ofstream out(file);
  out << job.dump(2) << "\n";
  if (!out) throw std::runtime_error("the job could not be written to " + file);
}

std::vector<std::string> SavedJobArguments(const std::string& file,
                                           const std::string& database) {
  const Json job = ReadJob(file);
  std::vector<std::string> arguments = job.at("command").get<std::vector<std::string>>();
  for (const auto& [name, value] : job.at("options").items()) {
    if (name == "--db" && !database.empty()) continue;
    arguments.push_back(name);
    if (value.is_array()) {
      // As typed: the list options split their values at commas.
      std::string joined;
      for (const Json& item : value) {
        joined += (joined.empty() ? "" : ",") + item.get<std::string>();
      }
      arguments.push_back(joined);
    } else if (value.is_string()) {
      arguments.push_back(value.get<std::string>());
    }
  }
  if (!database.empty()) arguments.insert(arguments.end(), {"--db", database});
  return arguments;
}

}  // namespace vdimpexp::cli
