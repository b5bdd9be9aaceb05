// Contacts made on the reference host database and read back with SQLite itself,
// and the text rules their columns go through.
#include "support/contact_creation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "data/db_error.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "support/host_connection.h"
#include "support/phone_number.h"
#include "support/text_case.h"

namespace vdimpexp::support {
namespace {

using testing::QueryRows;
using testing::QueryTable;

std::string Today() {
  return testing::QueryText(":memory:", "SELECT date('now', 'localtime')");
}

class ContactCreationTest : public ::testing::Test {
 protected:
  ContactCreationTest() {
    schema::CreateReferenceDatabase(path_, {.contacts = 0});
    host_.Open(path_);
    SetHostConnection(host_);
    contacts_.Open("Contacts", host_, data::CursorType::kKeyset,
                   data::LockType::kOptimistic, data::CommandType::kTable);
  }

  // Adds, fills and saves one contact; its CKey.
  std::string Add(const ContactInfo& contact) {
    contacts_.AddNew();
    AddContact(contacts_, contact);
    std::string key = contacts_.Fields("CKey").Value().ToText();
    contacts_.Update();
    return key;
  }

  // What SQLite itself reads for `expression` on the contact's row.
  std::string Value(const std::string& key, const std::string& expression) {
    return testing::QueryText(
        path_, "SELECT " + expression + " FROM Contacts WHERE CKey=" + key);
  }

  // Each "Column=value" as quote() writes it ('text', 12, NULL), so types count too.
  void ExpectColumns(const std::string& key, const std::vector<std::string>& expected) {
    std::vector<std::string> actual;
    for (const std::string& entry : expected) {
      const std::string column = entry.substr(0, entry.find('='));
      actual.push_back(column + "=" + Value(key, "quote(" + column + ")"));
    }
    EXPECT_EQ(actual, expected);
  }

  QueryTable Phones(const std::string& key) {
    return QueryRows(path_,
                     "SELECT PhoneDescID, Phone, Contact, AddressDescID FROM " +
                         ("ContactPhones WHERE CKey=" + key + " ORDER BY PhoneID"));
  }

  testing::ScratchDirectory scratch_;
  std::string path_ = scratch_.File("shop.db");
  data::Connection host_;
  data::Recordset contacts_;
};

TEST_F(ContactCreationTest, CustomerIsFiledUnderTheNameWithTheHostsDefaults) {
  const std::string before = Today();
  const std::string key = Add({.ClientType = 9,
                               .FirstName = "PATRICK        ",
                               .LastName = "O'BRIEN             ",
                               .Address = "12 NORTH PEARL ST             ",
                               .City = "ALBANY",
                               .State = "NY",
                               .ZipCode = "h2x 1y4   ",
                               .Phone = "(518) 555-0142",
                               .WorkPhone = "      ",
                               .Fax = "518-555-0101  "});
  const std::string after = Today();
  ExpectColumns(
      key,
      {"FirstName='Patrick'", "LastName='O''brien'", "Contact='O''brien Patrick'",
       "FileAs='O''brien Patrick'", "Address='12 North Pearl St'", "City='Albany'",
       "State='Ny'", "ZipCode='h2x 1y4'", "Company=''", "AccountNo1=''", "Notes=NULL",
       // The host's defaults and the import's constants.
       "SendBillsToThisAddress=1", "ShipToThisAddress=1", "ClientType=9", "TaxTable=1",
       "CustTaxable=1", "CreditLimit=0", "EstimateReqOption=153",
       "AddressDescriptionID=15", "ReferalBy=-1595250750", "Terms=1"});
  EXPECT_THAT(Value(key, "CustomerSince || ' ' || LastVisit"),
              ::testing::AnyOf(before + " " + before, after + " " + after));
  EXPECT_EQ(Phones(key), (QueryTable{{"8", "(518)555-0142", "O'brien Patrick", "0"},
                                     {"18", "(518)555-0101", "O'brien Patrick", "0"}}));
}

TEST_F(ContactCreationTest, ContactIsLastThenFirstNameProperCasedAndCutAtForty) {
  const struct {
    std::string first, last, contact;
  } cases[] = {
      {"", "HÉLÈNE'S TV", "Hélène's Tv"},
      {"KLAUS", "", "Klaus"},
      {"", "", ""},
      // Cut at forty, the blanks the cut leaves at the end trimmed.
      {"JEAN          BAPTISTE", "ABCDEFGHIJKLMNOPQRSTUVWXY",
       "Abcdefghijklmnopqrstuvwxy Jean"},
      {std::string(30, 'F'), std::string(30, 'L'),
       "L" + std::string(29, 'l') + " F" + std::string(8, 'f')},
  };
  for (const auto& c : cases) {
    // Blank notes are stored as empty text.
    const std::string key =
        Add({.ClientType = 9, .FirstName = c.first, .LastName = c.last, .Notes = " "});
    EXPECT_EQ(Value(key, "Contact || '|' || FileAs || '|' || Notes"),
              c.contact + "|" + c.contact + "|");
  }
}

TEST_F(ContactCreationTest, CompaniesAreFiledUnderTheCompanyAndFittedToTheColumns) {
  // Fifty characters fit Company: the cut leaves blanks at the end, trimmed.
  const std::string key =
      Add({.ClientType = 4,
           .Company = std::string(44, 'X') + "      TAIL END",
           .Address = std::string(48, 'a') + "ÉÉÉÉ",  // 52 characters, 56 bytes
           .City = "HAUPPAUGE",
           .State = "A STATE NAME LONGER THAN TWENTY",
           .ZipCode = "11788-1234-EXTRA",
           .Phone = "      ",
           .WorkPhone = "555-0128",
           .Notes = "  MAIN PARTS SUPPLIER - NEXT DAY UPS  ",
           .AccountNo = "eep-44120 and a long tail"});
  const std::string company = "'X" + std::string(43, 'x') + "'";
  ExpectColumns(
      key, {"Company=" + company, "FileAs=" + company, "Contact=''",
            "Address='A" + std::string(47, 'a') + "éé'", "State='A State Name Longer'",
            "ZipCode='11788-1234'", "AccountNo1='EEP-44120 AND A LONG'",
            // Notes are trimmed and proper-cased.
            "Notes='Main Parts Supplier - Next Day Ups'", "ClientType=4"});
  EXPECT_EQ(Phones(key), (QueryTable{{"35", "(   )555-0128", "", "0"}}));
}

TEST_F(ContactCreationTest, SystemOptionsSetTaxColumnsOnlyWhenTheColumnCanTakeThem) {
  const struct {
    std::string sql, tax_table, taxable;
  } cases[] = {
      {"UPDATE SystemOptions SET Value = iif(ID = 41, '3', '0')", "3", "0"},
      // No option rows: both columns keep the table's default.
      {"DELETE FROM SystemOptions WHERE ID IN (41, 47)", "0", "0"},
      // Nor do an empty option or one a number column cannot hold, and the
      // columns after them are filled all the same.
      {"INSERT INTO SystemOptions (ID, Value) VALUES (41, NULL), (47, 'Yes')", "0", "0"},
  };
  for (const auto& c : cases) {
    scratch_.Database("shop.db", c.sql);
    // (The statement is the contact's name, since FileAs is unique.)
    ExpectColumns(Add({.ClientType = 9, .LastName = c.sql}),
                  {"TaxTable=" + c.tax_table, "CustTaxable=" + c.taxable, "Terms=1"});
  }
}

TEST_F(ContactCreationTest, ARefusedPhoneStopsItsContactButNotTheNextOne) {
  scratch_.Database("shop.db",
                    "CREATE TRIGGER refuse_nines BEFORE INSERT ON ContactPhones WHEN "
                    "NEW.Phone LIKE '%999-9999%' BEGIN SELECT RAISE(ABORT, 'no'); END");
  ContactCreator creator(host_);
  contacts_.AddNew();
  const std::string first = contacts_.Fields("CKey").Value().ToText();
  EXPECT_THROW(creator.AddContact(contacts_, {.ClientType = 8,
                                              .Company = "REFUSED RADIO",
                                              .Phone = "(518) 555-0111",
                                              .Fax = "(518) 999-9999"}),
               data::DbError);
  // The row keeps what was set before the failing step, and stays pending.
  EXPECT_TRUE(contacts_.IsAddingNew());
  EXPECT_EQ(contacts_.Fields("FileAs").Value().ToText(), "Refused Radio");
  contacts_.Update();

  contacts_.AddNew();
  const std::string second = contacts_.Fields("CKey").Value().ToText();
  creator.AddContact(
      contacts_, {.ClientType = 8, .Company = "GOOD GRAMOPHONE", .Fax = "5185550122"});
  contacts_.Update();
  // The refused fax is not saved along with the next contact's phone.
  EXPECT_EQ(QueryRows(path_, "SELECT CKey, PhoneDescID, Phone FROM ContactPhones"),
            (QueryTable{{first, "8", "(518)555-0111"}, {second, "18", "(518)555-0122"}}));
}

TEST_F(ContactCreationTest, AnotherThreadHasNoHostConnection) {
  std::thread([] {
    EXPECT_THAT([] { HostConnection(); },
                ::testing::Throws<data::DbError>(::testing::Property(
                    &data::DbError::number, data::error_number::kInvalidOperation)));
  }).join();
}

// The cases the contacts above do not already make.
TEST(TextCaseTest, WordsStartOnlyAfterBlanksAndFittingTrimsSpacesOnly) {
  const struct {
    std::string text, proper;
  } cases[] = {
      {"  two  spaces ", "  Two  Spaces "},
      // Every blank the host knows starts a word, NUL among them.
      {std::string("a\tb\vc\nd\re\ff\0g", 13), std::string("A\tB\vC\nD\rE\fF\0G", 13)},
      {"élodie", "Élodie"},
      {"ΑΘΗΝΑ", "Αθηνα"},
      // Bytes that are not UTF-8 pass through, and the letter after a bad
      // byte is still inside its word.
      {"AB\xE9 CD", "Ab\xE9 Cd"},
      {std::string("\xFF") + "ABC", std::string("\xFF") + "abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProperCase(c.text), c.proper) << c.text;
  EXPECT_EQ(UpperCase("eep-44120 é ø ß"), "EEP-44120 É Ø ß");
  EXPECT_EQ(UpperCase(std::string("a\xC0\xAF") + "b"), std::string("A\xC0\xAF") + "B");
  // Fitting trims spaces only, at both ends; cutting counts characters.
  EXPECT_EQ(FitToLength("  Acme   ", 20), "Acme");
  EXPECT_EQ(FitToLength("\tTabbed\t", 20), "\tTabbed\t");
  EXPECT_EQ(CutToLength("ab€cd", 3), "ab€");
}

TEST(FormatPhoneNumberTest, FillsTheMaskFromTheRightAndAppendsTheExtension) {
  std::string e30;
  for (int i = 0; i < 30; ++i) e30 += "é";
  const struct {
    std::string phone, formatted;
  } cases[] = {
      // Ten characters, whatever their punctuation: only ()[]- and space go.
      {"((5-5-5))[[123]]--4567", "(555)123-4567"},
      {"555.123.4567", "(555).12-3.45 7"},
      // Blank gives empty text; punctuation only, the bare mask trimmed.
      {"", ""},
      {std::string(30, ' '), ""},
      {"( ) -", "(   )   -"},
      // Short numbers and letters fill the mask from the right.
      {"ABC", "(   )   - ABC"},
      // The eleventh character is dropped; the rest is the extension.
      {"555-123-4567 x89", "(555)123-4567 89"},
      {"5551234567x", "(555)123-4567"},
      // Only the first 24 characters after trimming count (the 24th here is
      // the "1"), punctuation among them; the result is cut to 24 as well.
      {"555-123-4567 extension 1234567", "(555)123-4567 xtension1"},
      {std::string(30, ' ') + "5551234567 x12", "(555)123-4567 12"},
      {"(((((((((((((((((((((((5551234567", "(   )   -   5"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "(ABC)DEF-GHIJ LMNOPQRSTU"},
      // Characters, not bytes: two- and four-byte ones take one place each.
      {e30, "(ééé)ééé-éééé éééééééééé"},
      {"555123456\U0001F4DE", "(555)123-456\U0001F4DE"},
      {"123\u00a04567", "(  1)23\u00a0-4567"},  // a no-break space is kept
      // Malformed UTF-8 passes through, a bad byte as one character.
      {"12\x80", "(   )   - 12\x80"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatPhoneNumber(c.phone), c.formatted) << c.phone;
}

}  // namespace
}  // namespace vdimpexp::support
