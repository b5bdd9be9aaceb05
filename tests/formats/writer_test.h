// What the writers' tests share: a source database, an empty folder "out", exports
// from the one into the other through SELECT ... INTO, and the files they leave there.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/db_error.h"
#include "export_source.h"
#include "formats/file_formats.h"
#include "independent_reader.h"
#include "scratch_database.h"

namespace vdimpexp::testing {

// What readers/`script` prints for `file` (and `more`); a refusal fails the test.
inline std::string ReadBack(const std::string& script, const std::string& file,
                            const std::string& more = "") {
  ReaderOutput output = RunIndependentReader(script, ShellQuoted(file) + more);
  EXPECT_EQ(output.exit_code, 0) << output.text;
  return output.text;
}

class WriterTest : public ::testing::Test {
 protected:
  // `source`: the statements that make the source database.
  explicit WriterTest(const std::string& source = kEveryTypeTable)
      : db_(scratch_.Database("source.db", source)) {
    formats::RegisterFileFormats();
    std::filesystem::create_directory(scratch_.File("out"));
  }

  // "[connect;Database=<out>].[file]": a table in the folder.
  std::string FolderTarget(const std::string& connect, const std::string& file) const {
    return "[" + connect + ";Database=" + scratch_.File("out") + "].[" + file + "]";
  }

  // "[connect;Database=<out>/file].[file]": a workbook, its worksheet named after it.
  std::string WorkbookTarget(const std::string& connect, const std::string& file) const {
    return "[" + connect + ";Database=" + Out(file) + "].[" + file + "]";
  }

  // What the writer changed in values to fit its format.
  std::vector<std::string> ExportInto(const std::string& target,
                                      const std::string& fields,
                                      const std::string& rest) {
    data::Connection connection(db_);
    connection.Execute("SELECT " + fields + " INTO " + target + " " + rest);
    return connection.FormatChanges();
  }

  // The error an export raises; fails the test when it succeeds.
  data::DbError ExportIntoError(const std::string& target, const std::string& fields,
                                const std::string& rest) {
    try {
      ExportInto(target, fields, rest);
    } catch (const data::DbError& error) {
      return error;
    }
    ADD_FAILURE() << "the export of " << fields << " " << rest << " succeeded";
    return data::DbError(0, "");
  }

  std::string Out(const std::string& file) const { return scratch_.File("out/" + file); }

  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.File("out"))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void ClearOut() {
    std::filesystem::remove_all(scratch_.File("out"));
    std::filesystem::create_directory(scratch_.File("out"));
  }

  ScratchDirectory scratch_;
  std::string db_;
};

}  // namespace vdimpexp::testing
