// Comma-separated values as RFC 4180 writes them: the one place the project
// decides when a field needs quotes and how quotes inside it are kept.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace vdimpexp::formats {

// Every line of a delimited file ends this way, whatever the platform, so a
// file reads the same on the host's systems as on ours.
inline constexpr std::string_view kCsvLineEnd = "\r\n";

// True when `field` would not survive unquoted: it holds a comma, a quote,
// a carriage return or a line feed, or begins or ends with a blank (space
// or tab), which readers are free to trim.
bool CsvFieldNeedsQuotes(std::string_view field);

// Appends `field` between double quotes, its own quotes doubled.
void AppendCsvQuoted(std::string& out, std::string_view field);

// Appends `field` as it is, or quoted when it needs quotes.
void AppendCsvField(std::string& out, std::string_view field);

// Appends the fields separated by commas, each quoted only when needed,
// and the line end.
void AppendCsvLine(std::string& out, std::span<const std::string> fields);

}  // namespace vdimpexp::formats
