// What the check list shows under its character set choice for the
// highlighted table: which character set the table declares, if any, and a
// few of its values with letters beyond ASCII, read as the import would read
// them with the current choice, so the user sees wrong letters before
// anything is imported.
#pragma once

#include <string>
#include <vector>

namespace vdimpexp::importing {

struct CodePagePreview {
  // "LOG.DBF declares no character set: read as DOS 852 (Central Europe)."
  std::string declaration;
  // Distinct values of the first records' character fields, trimmed.
  std::vector<std::string> samples;
};

// At most this many samples.
inline constexpr std::size_t kPreviewSamples = 5;

// The preview of the table at `table_path` with `unmarked_code_page` (an
// iconv name; empty for the automatic choice). A table that cannot be opened
// says why in `declaration`, with no samples.
CodePagePreview PreviewCodePage(const std::string& table_path,
                                const std::string& unmarked_code_page);

// The preview as its box shows it: the declaration, then a sample a line,
// or a line saying there is none.
std::string CodePagePreviewText(const CodePagePreview& preview);

}  // namespace vdimpexp::importing
