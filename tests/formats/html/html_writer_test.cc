#include "formats/html/html_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "export_source.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::HasSubstr;

using HtmlWriterTest = testing::WriterTest;

TEST_F(HtmlWriterTest, EveryColumnTypeReadsBackThroughPythonsHtmlParser) {
  ExportInto(FolderTarget("HTML Export", "cust.htm"),
             "Id, Name AS [<Name & Co>], [Last Name], Zip, Notes, Active, Rank, Price, "
             "Amount, Exact, Born",
             "FROM t ORDER BY Id");
  EXPECT_EQ(testing::ReadBack("read_html.py", Out("cust.htm")), R"(doctype: DOCTYPE html
charset: utf-8
title: cust
tables: 1
th ["Id", "<Name & Co>", "Last Name", "Zip", "Notes", "Active", "Rank", "Price", "Amount", "Exact", "Born"]
td ["1", "Zoë", "Ångström", "01234", "said \"hi\", then left\r\nnext line", "True", "-5", "12.5", "1234567.891", "99.95", "2001-03-15 00:00:00"]
td ["2", "Smith, John", " padded ", "00501", "<&> 'single'", "False", "40000", "0", "-0.001", "0.1", "1999-12-31 23:59:58"]
td ["3", "", "", "", "", "", "", "", "", "", ""]
)");
  // Escaped, not merely tolerated by a lenient parser.
  std::string html = testing::FileContents(Out("cust.htm"));
  EXPECT_THAT(html, ::testing::StartsWith("<!DOCTYPE html>"));
  EXPECT_THAT(html, HasSubstr("<th>&lt;Name &amp; Co&gt;</th>"));
  EXPECT_THAT(html, HasSubstr("<td>&lt;&amp;&gt; &#39;single&#39;</td>"));
  EXPECT_THAT(html, HasSubstr("<td>said &quot;hi&quot;, then left"));
}

}  // namespace
}  // namespace vdimpexp::formats
