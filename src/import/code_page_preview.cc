#include "import/code_page_preview.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "data/text.h"
#include "legacy/code_page.h"
#include "legacy/code_page_choice.h"
#include "legacy/dbf_error.h"
#include "legacy/dbf_table.h"

namespace vdimpexp::importing {
namespace {

// Far enough into a customer table to meet its accented names, and no more
// than half a megabyte of any table.
constexpr std::uint32_t kPreviewRecords = 2000;
constexpr std::size_t kPreviewBytes = 512 * 1024;

std::string Declaration(const legacy::DbfTable& table, const legacy::CodePage& code_page,
                        const std::string& unmarked_code_page) {
  const std::string file = std::filesystem::path(table.path()).filename().string();
  const std::string used = legacy::CodePageLabel(code_page.name());
  const std::optional<legacy::DeclaredCodePage> declared =
      legacy::DeclaredCodePageOf(table);
  if (!declared) {
    return file + " declares no character set: " +
           (unmarked_code_page.empty() ? "judged from its bytes as " : "read as ") +
           used + ".";
  }
  const std::string where = declared->source == legacy::DeclaredCodePage::Source::kCpgFile
                                ? "its .cpg file"
                                : "its header";
  return file + " declares " + used + " in " + where +
         ", and is read so whatever the choice.";
}

}  // namespace

CodePagePreview PreviewCodePage(const std::string& table_path,
                                const std::string& unmarked_code_page) {
  std::unique_ptr<legacy::DbfTable> table;
  if (const legacy::DbfError error = legacy::DbfTable::Open(table_path, table);
      error != legacy::DbfError::kNone) {
    return {std::filesystem::path(table_path).filename().string() +
                " could not be opened: " + legacy::DbfErrorText(static_cast<int>(error)) +
                ".",
            {}};
  }
  const std::unique_ptr<legacy::CodePage> code_page =
      legacy::OpenTableCodePage(*table, unmarked_code_page);
  CodePagePreview preview{Declaration(*table, *code_page, unmarked_code_page), {}};

  const legacy::DbfLayout& layout = table->layout();
  std::string records;
  const auto count = static_cast<std::uint32_t>(
      std::clamp<std::size_t>(kPreviewBytes / layout.record_length, 1, kPreviewRecords));
  if (!table->ReadRecords(1, count, records)) return preview;
  std::string text;
  for (std::size_t at = 0; at + layout.record_length <= records.size();
       at += layout.record_length) {
    for (const legacy::DbfField& field : layout.fields) {
      const std::string_view bytes =
          std::string_view(records).substr(at + field.offset, field.width);
      if (field.type != 'C' || legacy::IsAscii(bytes)) continue;
      text.clear();
      code_page->Decode(bytes, text);
      const std::string sample(data::TrimSpaces(text));
      if (std::find(preview.samples.begin(), preview.samples.end(), sample) !=
          preview.samples.end()) {
        continue;
      }
      preview.samples.push_back(sample);
      if (preview.samples.size() == kPreviewSamples) return preview;
    }
  }
  return preview;
}

std::string CodePagePreviewText(const CodePagePreview& preview) {
  std::string text = preview.declaration;
  if (preview.samples.empty()) {
    text += "\nIts first records hold no letters beyond ASCII.";
  }
  for (const std::string& sample : preview.samples) text += "\n    " + sample;
  return text;
}

}  // namespace vdimpexp::importing
