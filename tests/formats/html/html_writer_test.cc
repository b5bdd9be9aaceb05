#include "formats/html/html_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/connection.h"
#include "data/db_error.h"
#include "export_source.h"
#include "formats/file_formats.h"
#include "independent_reader.h"
#include "scratch_database.h"

namespace vdimpexp::formats {
namespace {

using testing::FileContents;
using testing::WriteFile;

class HtmlWriterTest : public ::testing::Test {
 protected:
  HtmlWriterTest() : db_(scratch_.Database("source.db", testing::kEveryTypeTable)) {
    RegisterFileFormats();
    std::filesystem::create_directory(scratch_.File("out"));
  }

  std::string Out(const std::string& file) const { return scratch_.File("out/" + file); }

  void Export(const std::string& fields, const std::string& file,
              const std::string& from) {
    data::Connection(db_).Execute("SELECT " + fields + " INTO [HTML Export;Database=" +
                                  scratch_.File("out") + "].[" + file + "] " + from);
  }

  testing::ScratchDirectory scratch_;
  std::string db_;
};

TEST_F(HtmlWriterTest, EveryColumnTypeReadsBackThroughPythonsHtmlParser) {
  Export(
      "Id, Name AS [<Name & Co>], [Last Name], Zip, Notes, Active, Rank, Price, Amount, "
      "Exact, Born",
      "cust.htm", "FROM t ORDER BY Id");

  testing::ReaderOutput read = testing::RunIndependentReader(
      "read_html.py", testing::ShellQuoted(Out("cust.htm")));
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text, R"(doctype: DOCTYPE html
charset: utf-8
title: cust
tables: 1
th ["Id", "<Name & Co>", "Last Name", "Zip", "Notes", "Active", "Rank", "Price", "Amount", "Exact", "Born"]
td ["1", "Zoë", "Ångström", "01234", "said \"hi\", then left\r\nnext line", "True", "-5", "12.5", "1234567.891", "99.95", "2001-03-15 00:00:00"]
td ["2", "Smith, John", " padded ", "00501", "<&> 'single'", "False", "40000", "0", "-0.001", "0.1", "1999-12-31 23:59:58"]
td ["3", "", "", "", "", "", "", "", "", "", ""]
)");

  // Escaped, not merely tolerated by a lenient parser.
  std::string html = FileContents(Out("cust.htm"));
  EXPECT_NE(html.find("<th>&lt;Name &amp; Co&gt;</th>"), std::string::npos) << html;
  EXPECT_NE(html.find("<td>&lt;&amp;&gt; &#39;single&#39;</td>"), std::string::npos)
      << html;
  EXPECT_NE(html.find("<td>said &quot;hi&quot;, then left"), std::string::npos) << html;
  EXPECT_TRUE(html.starts_with("<!DOCTYPE html>")) << html;
}

TEST_F(HtmlWriterTest, NumbersAreShownWithoutExponentsAndZeroWithoutASign) {
  Export("Id, Price, Ratio, Amount, Id * -0.0 AS Zero", "edges.htm",
         "FROM edges WHERE Id <> 2 ORDER BY Id");

  testing::ReaderOutput read = testing::RunIndependentReader(
      "read_html.py", testing::ShellQuoted(Out("edges.htm")));
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_TRUE(read.text.ends_with(
      R"(th ["Id", "Price", "Ratio", "Amount", "Zero"]
td ["1", "1000000", "0.0001", "1000000000000000000000", "0"]
td ["3", "-0.5", "-0.0000001", "-0.00000025", "0"]
)")) << read.text;
}

TEST_F(HtmlWriterTest, AnExistingFileIsRefusedAndAFailureLeavesNoFile) {
  WriteFile(Out("cust.htm"), "precious");
  EXPECT_THROW(Export("Name", "cust.htm", "FROM t"), data::DbError);
  EXPECT_EQ(FileContents(Out("cust.htm")), "precious");

  // The source fails after two rows were written.
  EXPECT_THROW(Export("Name, Abs(Big) AS Size", "sizes.htm", "FROM failing"),
               data::DbError);
  EXPECT_FALSE(std::filesystem::exists(Out("sizes.htm")));
}

}  // namespace
}  // namespace vdimpexp::formats
