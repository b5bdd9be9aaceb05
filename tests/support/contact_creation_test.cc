// Contacts made on the reference host database and read back with SQLite
// itself, so the data layer that wrote them plays no part in the checking.
#include "support/contact_creation.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ctime>
#include <string>
#include <vector>

#include "data/db_error.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "support/host_connection.h"

namespace vdimpexp::support {
namespace {

using testing::QueryText;

std::string IsoDate(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

class ContactCreationTest : public ::testing::Test {
 protected:
  ContactCreationTest() {
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    schema::CreateReferenceSchema(db);
    sqlite3_close(db);
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

  std::string Column(const std::string& key, const std::string& column) {
    return QueryText(path_, "SELECT " + column + " FROM Contacts WHERE CKey=" + key);
  }

  // PhoneDescID, Phone, Contact and AddressDescID of the contact's phones.
  std::vector<std::vector<std::string>> Phones(const std::string& key) {
    return testing::QueryRows(path_,
                "SELECT PhoneDescID, Phone, Contact, AddressDescID FROM ContactPhones "
                "WHERE CKey=" +
                    key + " ORDER BY PhoneID");
  }

  void Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path_.c_str(), &db);
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
  }

  testing::ScratchDirectory scratch_;
  std::string path_ = scratch_.File("shop.db");
  data::Connection host_;
  data::Recordset contacts_;
};

TEST_F(ContactCreationTest, CustomerIsFiledUnderTheNameWithTheHostsDefaults) {
  const std::string before = IsoDate(std::time(nullptr));
  const std::string key = Add({.ClientType = 9,
                               .FirstName = "PATRICK        ",
                               .LastName = "O'BRIEN             ",
                               .Address = "12 NORTH PEARL ST             ",
                               .City = "ALBANY",
                               .State = "NY",
                               .ZipCode = "h2x 1y4   ",
                               .Phone = "(518) 555-0142",
                               .WorkPhone = "518-555-0101  "});
  const std::string after = IsoDate(std::time(nullptr));

  EXPECT_EQ(Column(key, "FirstName"), "Patrick");
  EXPECT_EQ(Column(key, "LastName"), "O'brien");
  EXPECT_EQ(Column(key, "Contact"), "O'brien Patrick");
  EXPECT_EQ(Column(key, "FileAs"), "O'brien Patrick");
  EXPECT_EQ(Column(key, "Address"), "12 North Pearl St");
  EXPECT_EQ(Column(key, "City"), "Albany");
  EXPECT_EQ(Column(key, "State"), "Ny");
  EXPECT_EQ(Column(key, "ZipCode"), "h2x 1y4") << "a post code keeps its case";
  EXPECT_EQ(Column(key, "Company"), "");
  EXPECT_EQ(Column(key, "typeof(Company)"), "text");
  EXPECT_EQ(Column(key, "AccountNo1"), "");
  EXPECT_EQ(Column(key, "Notes"), "<null>") << "no notes leaves the column alone";

  // The host's defaults and the import's constants, as whole numbers.
  const std::vector<std::pair<std::string, std::string>> constants = {
      {"SendBillsToThisAddress", "1"},
      {"ShipToThisAddress", "1"},
      {"ClientType", "9"},
      {"TaxTable", "1"},
      {"CustTaxable", "1"},
      {"CreditLimit", "0"},
      {"EstimateReqOption", "153"},
      {"AddressDescriptionID", "15"},
      {"ReferalBy", "-1595250750"},
      {"Terms", "1"}};
  for (const auto& [column, value] : constants) {
    EXPECT_EQ(Column(key, column), value) << column;
    EXPECT_EQ(Column(key, "typeof(" + column + ")"), "integer") << column;
  }
  const std::string since = Column(key, "CustomerSince");
  EXPECT_TRUE(since == before || since == after) << since;
  EXPECT_EQ(Column(key, "LastVisit"), since);

  EXPECT_EQ(Phones(key), (std::vector<std::vector<std::string>>{
                             {"8", "(518)555-0142", "O'brien Patrick", "0"},
                             {"35", "(518)555-0101", "O'brien Patrick", "0"}}));
}

TEST_F(ContactCreationTest, NamesAreProperCasedWithoutBreakingAtPunctuationOrAccents) {
  struct Case {
    std::string first, last, contact;
  };
  const std::vector<Case> cases = {
      {"MARY ANN", "SMITH-JONES", "Smith-jones Mary Ann"},
      {"RONALD", "MCDONALD", "Mcdonald Ronald"},
      {"ÉLODIE", "CÔTÉ", "Côté Élodie"},
      {"josé", "peña", "Peña José"},
      {"", "HÉLÈNE'S TV", "Hélène's Tv"},  // no first name: just the last
      {"KLAUS", "", "Klaus"},              // no last name: just the first
  };
  for (const Case& c : cases) {
    const std::string key =
        Add({.ClientType = 9, .FirstName = c.first, .LastName = c.last});
    EXPECT_EQ(Column(key, "Contact"), c.contact);
    EXPECT_EQ(Column(key, "FileAs"), c.contact);
  }
}

TEST_F(ContactCreationTest, CompaniesAreFiledUnderTheCompanyAndFittedToTheColumns) {
  // Fifty characters fit Company; what follows the fiftieth is cut off,
  // and the blanks the cut leaves at the end are trimmed.
  const std::string company = std::string(44, 'X') + "      TAIL END";
  const std::string key =
      Add({.ClientType = 4,
           .Company = company,
           .Address = std::string(48, 'a') + "ÉÉÉÉ",  // 52 characters, 56 bytes
           .City = "HAUPPAUGE",
           .State = "A STATE NAME LONGER THAN TWENTY",
           .ZipCode = "11788-1234-EXTRA",
           .Fax = "(516) 555-0141",
           .Notes = "  MAIN PARTS SUPPLIER - NEXT DAY UPS  ",
           .AccountNo = "eep-44120 and a long tail"});
  const std::string cut_company = "X" + std::string(43, 'x');
  EXPECT_EQ(Column(key, "Company"), cut_company);
  EXPECT_EQ(Column(key, "FileAs"), cut_company);
  EXPECT_EQ(Column(key, "Contact"), "");
  EXPECT_EQ(Column(key, "Address"), "A" + std::string(47, 'a') + "éé");
  EXPECT_EQ(Column(key, "State"), "A State Name Longer");
  EXPECT_EQ(Column(key, "ZipCode"), "11788-1234");
  EXPECT_EQ(Column(key, "AccountNo1"), "EEP-44120 AND A LONG");
  EXPECT_EQ(Column(key, "Notes"), "Main Parts Supplier - Next Day Ups")
      << "notes are trimmed and proper-cased, not fitted";
  EXPECT_EQ(Column(key, "ClientType"), "4");
  EXPECT_EQ(Phones(key),
            (std::vector<std::vector<std::string>>{{"18", "(516)555-0141", "", "0"}}));
}

TEST_F(ContactCreationTest, ContactIsCutAtFortyCharacters) {
  // 25 + 1 + 4 characters, then ten blanks inside the first name: the cut at
  // forty leaves blanks at the end, which are trimmed.
  const std::string key = Add({.ClientType = 9,
                               .FirstName = "JEAN          BAPTISTE",
                               .LastName = "ABCDEFGHIJKLMNOPQRSTUVWXY"});
  EXPECT_EQ(Column(key, "FirstName"), "Jean          Baptiste");
  EXPECT_EQ(Column(key, "Contact"), "Abcdefghijklmnopqrstuvwxy Jean");

  const std::string longest = Add({.ClientType = 9,
                                   .FirstName = std::string(30, 'F'),
                                   .LastName = std::string(30, 'L')});
  EXPECT_EQ(Column(longest, "Contact"),
            "L" + std::string(29, 'l') + " F" + std::string(8, 'f'));
  EXPECT_EQ(Column(longest, "length(Contact)"), "40");
}

TEST_F(ContactCreationTest, EmptyNamesBlankNotesAndBlankPhonesGiveEmptyTextNotRows) {
  const std::string key = Add({.ClientType = 9,
                               .Phone = "      ",
                               .WorkPhone = "555-0128",
                               .Fax = "",
                               .Notes = "     "});
  EXPECT_EQ(Column(key, "Contact"), "");
  EXPECT_EQ(Column(key, "typeof(Contact)"), "text");
  EXPECT_EQ(Column(key, "FileAs"), "");
  EXPECT_EQ(Column(key, "typeof(FileAs)"), "text") << "an empty FileAs is text, not null";
  EXPECT_EQ(Column(key, "Notes"), "");
  EXPECT_EQ(Column(key, "typeof(Notes)"), "text");
  EXPECT_EQ(Phones(key),
            (std::vector<std::vector<std::string>>{{"35", "(   )555-0128", "", "0"}}));
}

TEST_F(ContactCreationTest, SystemOptionsSetTaxColumnsOnlyWhenTheColumnCanTakeThem) {
  Sql("UPDATE SystemOptions SET Value='3' WHERE ID=41; "
      "UPDATE SystemOptions SET Value='0' WHERE ID=47");
  std::string key = Add({.ClientType = 9, .LastName = "FIRST"});
  EXPECT_EQ(Column(key, "TaxTable"), "3");
  EXPECT_EQ(Column(key, "CustTaxable"), "0");

  // No option rows: both columns keep the table's default.
  Sql("DELETE FROM SystemOptions WHERE ID IN (41, 47)");
  key = Add({.ClientType = 9, .LastName = "SECOND"});
  EXPECT_EQ(Column(key, "TaxTable"), "0");
  EXPECT_EQ(Column(key, "CustTaxable"), "0");
  EXPECT_EQ(Column(key, "LastName"), "Second");

  // An option without a value, or with one a number column cannot hold, is
  // no option either; the rest of the contact is filled all the same.
  Sql("INSERT INTO SystemOptions (ID, Value) VALUES (41, NULL), (47, 'Yes please')");
  key = Add(
      {.ClientType = 9, .FirstName = "ANNE", .LastName = "THIRD", .Phone = "5185550100"});
  EXPECT_EQ(Column(key, "TaxTable"), "0");
  EXPECT_EQ(Column(key, "CustTaxable"), "0");
  EXPECT_EQ(Column(key, "Contact"), "Third Anne");
  EXPECT_EQ(Column(key, "ReferalBy"), "-1595250750");
  EXPECT_EQ(Phones(key).size(), 1u);
}

TEST_F(ContactCreationTest, ARefusedPhoneStopsItsContactButNotTheNextOne) {
  Sql("CREATE TRIGGER refuse_nines BEFORE INSERT ON ContactPhones "
      "WHEN NEW.Phone LIKE '%999-9999%' BEGIN SELECT RAISE(ABORT, 'refused'); END");
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

  EXPECT_EQ(Phones(first),
            (std::vector<std::vector<std::string>>{{"8", "(518)555-0111", "", "0"}}));
  EXPECT_EQ(Phones(second),
            (std::vector<std::vector<std::string>>{{"18", "(518)555-0122", "", "0"}}))
      << "the refused fax must not be saved along with the next contact's phone";
  EXPECT_EQ(QueryText(path_, "SELECT count(*) FROM ContactPhones"), "2");
}

}  // namespace
}  // namespace vdimpexp::support
