#include "support/contact_creation.h"

#include <ctime>
#include <string_view>

#include "data/db_error.h"
#include "data/text.h"
#include "support/host_connection.h"
#include "support/phone_number.h"
#include "support/text_case.h"

namespace vdimpexp::support {
namespace {

using data::TrimSpaces;

// The host's ids and settings every imported contact gets. What they mean
// (address and phone descriptions, the "converted" referral source, the
// estimate option) lies in the host database; we only write the numbers.
constexpr int16_t kBillsAndShipsHere = 1;
constexpr int16_t kNoCreditLimit = 0;
constexpr int16_t kEstimateRequestOption = 153;
constexpr int16_t kStreetAddressDescription = 15;
constexpr int32_t kConvertedReferral = -1595250750;  // A0EA67C2 as signed
constexpr int16_t kTerms = 1;
constexpr int16_t kPhoneAddressDescription = 0;
constexpr int16_t kMainPhoneDescription = 8;
constexpr int16_t kWorkPhoneDescription = 35;
constexpr int16_t kFaxDescription = 18;

constexpr int16_t kFiledUnderPersonName = 9;
constexpr std::size_t kContactLength = 40;
constexpr int kTaxTableOption = 41;
constexpr int kTaxableOption = 47;

data::Date Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return data::Date{
      .year = local.tm_year + 1900, .month = local.tm_mon + 1, .day = local.tm_mday};
}

// A column's present text in the pending row; null reads as empty text.
std::string TextOf(const data::Field& field) { return field.Value().ToText(); }

// The text a column of the field's size keeps (see FitToLength), without
// a copy: every imported row passes through here a dozen times.
std::string_view Fitted(const data::Field& field, std::string_view text) {
  return TrimSpaces(CutToLength(text, static_cast<std::size_t>(field.DefinedSize())));
}

void SetFitted(data::Field& field, std::string_view text) {
  field.SetValue(Fitted(field, text));
}

void SetFittedProperCase(data::Field& field, std::string_view text) {
  field.SetValue(ProperCase(Fitted(field, text)));
}

}  // namespace

void AddContact(data::Recordset& contacts, const ContactInfo& contact) {
  ContactCreator(HostConnection()).AddContact(contacts, contact);
}

void ContactCreator::AddContact(data::Recordset& contacts, const ContactInfo& contact) {
  contacts.Fields("SendBillsToThisAddress").SetValue(kBillsAndShipsHere);
  contacts.Fields("ShipToThisAddress").SetValue(kBillsAndShipsHere);
  contacts.Fields("ClientType").SetValue(contact.ClientType);
  SetFromSystemOption(contacts.Fields("TaxTable"), kTaxTableOption);
  contacts.Fields("CreditLimit").SetValue(kNoCreditLimit);
  const data::Date today = Today();
  contacts.Fields("CustomerSince").SetValue(today);
  contacts.Fields("LastVisit").SetValue(today);
  SetFromSystemOption(contacts.Fields("CustTaxable"), kTaxableOption);
  contacts.Fields("EstimateReqOption").SetValue(kEstimateRequestOption);

  SetFittedProperCase(contacts.Fields("FirstName"), contact.FirstName);
  SetFittedProperCase(contacts.Fields("LastName"), contact.LastName);
  // Built from the names as stored, so it reads as the columns do.
  contacts.Fields("Contact").SetValue(FitToLength(
      TextOf(contacts.Fields("LastName")) + " " + TextOf(contacts.Fields("FirstName")),
      kContactLength));
  SetFittedProperCase(contacts.Fields("Company"), contact.Company);
  // Always text, never null: an empty name files as empty text.
  contacts.Fields("FileAs").SetValue(TextOf(contacts.Fields(
      contact.ClientType == kFiledUnderPersonName ? "Contact" : "Company")));

  SetFittedProperCase(contacts.Fields("Address"), contact.Address);
  contacts.Fields("AddressDescriptionID").SetValue(kStreetAddressDescription);
  SetFittedProperCase(contacts.Fields("City"), contact.City);
  // A state code is proper-cased like the names: NY becomes Ny.
  SetFittedProperCase(contacts.Fields("State"), contact.State);
  SetFitted(contacts.Fields("ZipCode"), contact.ZipCode);
  contacts.Fields("ReferalBy").SetValue(kConvertedReferral);
  contacts.Fields("Terms").SetValue(kTerms);
  data::Field& account = contacts.Fields("AccountNo1");
  account.SetValue(UpperCase(Fitted(account, contact.AccountNo)));
  if (!contact.Notes.empty()) {
    contacts.Fields("Notes").SetValue(ProperCase(TrimSpaces(contact.Notes)));
  }

  AddPhone(contacts, contact.Phone, kMainPhoneDescription);
  AddPhone(contacts, contact.WorkPhone, kWorkPhoneDescription);
  AddPhone(contacts, contact.Fax, kFaxDescription);
}

const std::optional<std::string>& ContactCreator::SystemOption(int id) {
  auto known = options_.find(id);
  if (known != options_.end()) return known->second;
  data::Recordset option = host_.Execute(
      "SELECT SystemOptions.Value FROM SystemOptions WHERE ID=" + std::to_string(id));
  std::optional<std::string> value;
  if (!option.IsEOF()) value = option.Fields(0).Value().ToText();
  return options_.emplace(id, std::move(value)).first->second;
}

void ContactCreator::SetFromSystemOption(data::Field& column, int id) {
  const std::optional<std::string>& option = SystemOption(id);
  if (!option) return;
  try {
    column.SetValue(*option);
  } catch (const data::DbError& error) {
    // An option the column cannot hold (an empty or worded setting in a
    // number column) counts as no option: the column keeps its default,
    // instead of the contact losing every column set after this one.
    if (error.number() != data::error_number::kTypeMismatch &&
        error.number() != data::error_number::kTextTooLong) {
      throw;
    }
  }
}

void ContactCreator::AddPhone(data::Recordset& contacts, const std::string& number,
                              int16_t description) {
  if (TrimSpaces(number).empty()) return;
  if (!phones_.IsOpen()) {
    phones_.Open("ContactPhones", host_, data::CursorType::kKeyset,
                 data::LockType::kOptimistic, data::CommandType::kTable);
  }
  phones_.AddNew();
  try {
    phones_.Fields("CKey").SetValue(contacts.Fields("CKey").Value());
    phones_.Fields("AddressDescID").SetValue(kPhoneAddressDescription);
    phones_.Fields("PhoneDescID").SetValue(description);
    phones_.Fields("Phone").SetValue(FormatPhoneNumber(number));
    phones_.Fields("Contact").SetValue(contacts.Fields("Contact").Value());
    phones_.Update();
  } catch (...) {
    // The table stays open for the next contact, which must not inherit
    // this half-made row.
    phones_.CancelUpdate();
    throw;
  }
}

}  // namespace vdimpexp::support
