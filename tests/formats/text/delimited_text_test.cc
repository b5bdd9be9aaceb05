#include "formats/text/delimited_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export_source.h"
#include "independent_reader.h"
#include "scratch_database.h"

namespace vdimpexp::formats {
namespace {

std::string Field(std::string_view text) {
  std::string out;
  AppendCsvField(out, text);
  return out;
}

TEST(DelimitedTextTest, QuotesExactlyTheFieldsThatNeedIt) {
  EXPECT_EQ(Field("plain text"), "plain text");
  EXPECT_EQ(Field(""), "");
  EXPECT_EQ(Field("01234"), "01234");
  EXPECT_EQ(Field("a,b"), "\"a,b\"");
  EXPECT_EQ(Field("say \"hi\""), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(Field("\""), "\"\"\"\"");
  EXPECT_EQ(Field("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(Field("cr\ronly"), "\"cr\ronly\"");
  EXPECT_EQ(Field(" leading"), "\" leading\"");
  EXPECT_EQ(Field("trailing\t"), "\"trailing\t\"");
  EXPECT_EQ(Field("inner blank"), "inner blank");

  std::string quoted;
  AppendCsvQuoted(quoted, "");
  AppendCsvQuoted(quoted, "x\"\"y");
  EXPECT_EQ(quoted, "\"\"\"x\"\"\"\"y\"");
}

TEST(DelimitedTextTest, LinesReadBackThroughPythonsCsvModule) {
  const std::vector<std::string> fields = {
      "plain", "", "a,b", "\"quoted\"", " both ", "Zoë\r\nÅngström", "end\""};
  std::string text;
  AppendCsvLine(text, fields);
  AppendCsvLine(text, std::vector<std::string>{"second", "line"});
  EXPECT_TRUE(text.ends_with("\"end\"\"\"\r\nsecond,line\r\n")) << text;

  testing::ScratchDirectory scratch;
  testing::WriteFile(scratch.File("lines.csv"), text);
  testing::ReaderOutput read = testing::RunIndependentReader(
      "read_csv.py", testing::ShellQuoted(scratch.File("lines.csv")));
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text,
            R"(["plain", "", "a,b", "\"quoted\"", " both ", "Zoë\r\nÅngström", "end\""]
["second", "line"]
)");
}

}  // namespace
}  // namespace vdimpexp::formats
