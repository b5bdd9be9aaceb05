// Turns one imported business contact into a host contact: every column of
// a new Contacts row the host needs for a usable contact, with the host's
// own defaults, and a ContactPhones row per phone number.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/connection.h"
#include "data/recordset.h"

namespace vdimpexp::support {

// The contact as the importer gathered it; text is UTF-8, untrimmed.
struct ContactInfo {
  // ContactTypes.ClientTypeID; 9 files the contact under the person's name.
  int16_t ClientType = 0;
  std::string FirstName;
  std::string LastName;
  std::string Company;
  std::string Address;
  std::string City;
  std::string State;
  std::string ZipCode;
  std::string Phone;
  std::string WorkPhone;
  std::string Fax;
  std::string Notes;
  std::string AccountNo;
};

// Fills the pending new row of `contacts` (an updatable recordset over the
// host's Contacts table, after AddNew) from `contact`, and saves a
// ContactPhones row for each of its phone numbers. The Contacts row itself
// is left pending: the caller saves it, or cancels it. Names and addresses
// are fitted to their columns and proper-cased, the account number
// upper-cased; the tax table and taxable flag come from system options 41
// and 47 when the host has them. Works on the host connection, inside
// whatever transaction is open on it. Traps no error: a failure stops at
// its step, with the columns set so far and the phone rows saved so far.
void AddContact(data::Recordset& contacts, const ContactInfo& contact);

// AddContact for a run of contacts on one connection: the system options
// are read on first use and kept, and the ContactPhones table stays open
// between contacts. Neither can change while the run holds its transaction.
class ContactCreator {
 public:
  explicit ContactCreator(data::Connection& host) : host_(host) {}

  void AddContact(data::Recordset& contacts, const ContactInfo& contact);

 private:
  // The option's stored text (null as empty text); nullopt when the host
  // has no such option.
  const std::optional<std::string>& SystemOption(int id);
  void SetFromSystemOption(data::Field& column, int id);
  void AddPhone(data::Recordset& contacts, const std::string& number,
                int16_t description);
  void SetFittedProperCase(data::Field& field, std::string_view text);
  // Today's date in the local calendar.
  data::Date Today();

  data::Connection& host_;
  std::map<int, std::optional<std::string>> options_;
  data::Recordset phones_;
  // Reused from contact to contact, so that a row's texts cost no allocation.
  std::string cased_;
  std::string joined_;
  std::string formatted_phone_;
  // The columns of the contacts and the phone rows, found once for each
  // opening of their recordsets (Recordset::OpenSerial).
  std::uint64_t contact_columns_of_ = 0;
  std::vector<data::Field*> contact_columns_;
  std::uint64_t phone_columns_of_ = 0;
  std::vector<data::Field*> phone_columns_;
  std::time_t today_read_at_ = -1;
  data::Date today_;
};

}  // namespace vdimpexp::support
