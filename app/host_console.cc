#include "app/host_console.h"

#include <string>
#include <vector>

#include "formats/file_formats.h"
#include "formats/text/delimited_text.h"

namespace vdimpexp::host {
namespace {

void WriteCsvLine(std::ostream& out, const std::vector<std::string>& fields) {
  std::string line;
  formats::AppendCsvLine(line, fields);
  out << line;
}

}  // namespace

void RunStatement(data::Connection& connection, std::string_view statement,
                  std::ostream& out) {
  // A host's own statements may write export files as well.
  formats::RegisterFileFormats();
  int64_t affected = 0;
  data::Recordset rows = connection.Execute(statement, &affected);
  if (!rows.IsOpen()) {
    out << affected << " row(s) affected\n";
    return;
  }
  std::vector<std::string> line(rows.Fields().Count());
  for (size_t i = 0; i < line.size(); ++i)
    line[i] = rows.Fields(static_cast<int>(i)).Name();
  WriteCsvLine(out, line);
  for (; !rows.IsEOF(); rows.MoveNext()) {
    for (size_t i = 0; i < line.size(); ++i) {
      line[i] = rows.Fields(static_cast<int>(i)).Value().ToText();
    }
    WriteCsvLine(out, line);
  }
}

void PrintSummary(data::Connection& connection, std::ostream& out) {
  out << "Database: " << connection.DataSource() << "\n";
  std::vector<std::pair<std::string, std::string>> objects;
  data::Recordset names = connection.Execute(
      "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') AND name NOT "
      "LIKE 'sqlite_%' ORDER BY type, name");
  for (; !names.IsEOF(); names.MoveNext()) {
    objects.emplace_back(names.Fields("name").Value().ToText(),
                         names.Fields("type").Value().ToText());
  }
  for (const auto& [name, type] : objects) {
    data::Recordset count = connection.Execute("SELECT count(*) FROM [" + name + "]");
    out << "  " << type << " " << name << ": " << count.Fields(0).Value().ToText()
        << " rows\n";
  }
}

}  // namespace vdimpexp::host
