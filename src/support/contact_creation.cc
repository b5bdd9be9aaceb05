#include "support/contact_creation.h"

#include <ctime>
#include <span>
#include <string_view>
#include <vector>

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
constexpr int16_t kStandardTerms = 1;
constexpr int16_t kPhoneAddressDescription = 0;
constexpr int16_t kMainPhoneDescription = 8;
constexpr int16_t kWorkPhoneDescription = 35;
constexpr int16_t kFaxDescription = 18;

constexpr int16_t kFiledUnderPersonName = 9;
constexpr std::size_t kContactLength = 40;
constexpr int kTaxTableOption = 41;
constexpr int kTaxableOption = 47;

// The columns AddContact sets or reads, and those of a phone row, found once
// for each opening of their recordset.
enum ContactColumn {
  kSendBillsToThisAddress,
  kShipToThisAddress,
  kClientType,
  kTaxTable,
  kCreditLimit,
  kCustomerSince,
  kLastVisit,
  kCustTaxable,
  kEstimateReqOption,
  kFirstName,
  kLastName,
  kContact,
  kCompany,
  kFileAs,
  kAddress,
  kAddressDescriptionID,
  kCity,
  kState,
  kZipCode,
  kReferalBy,
  kTerms,
  kAccountNo1,
  kNotes,
  kCKey,
};
constexpr std::string_view kContactColumnNames[] = {"SendBillsToThisAddress",
                                                    "ShipToThisAddress",
                                                    "ClientType",
                                                    "TaxTable",
                                                    "CreditLimit",
                                                    "CustomerSince",
                                                    "LastVisit",
                                                    "CustTaxable",
                                                    "EstimateReqOption",
                                                    "FirstName",
                                                    "LastName",
                                                    "Contact",
                                                    "Company",
                                                    "FileAs",
                                                    "Address",
                                                    "AddressDescriptionID",
                                                    "City",
                                                    "State",
                                                    "ZipCode",
                                                    "ReferalBy",
                                                    "Terms",
                                                    "AccountNo1",
                                                    "Notes",
                                                    "CKey"};

enum PhoneColumn { kPhoneCKey, kPhoneAddressDescID, kPhoneDescID, kPhone, kPhoneContact };
constexpr std::string_view kPhoneColumnNames[] = {"CKey", "AddressDescID", "PhoneDescID",
                                                  "Phone", "Contact"};

// Finds the columns of `rows` once per opening: `of` tells which opening
// `columns` were found in. A column the table lacks is kept as nullptr.
void FindColumns(data::Recordset& rows, std::span<const std::string_view> names,
                 uint64_t& of, std::vector<data::Field*>& columns) {
  if (rows.OpenSerial() == of && columns.size() == names.size()) return;
  of = rows.OpenSerial();
  columns.clear();
  for (std::string_view name : names) {
    data::Field* field = nullptr;
    try {
      if (of != 0) field = &rows.Fields(name);
    } catch (const data::DbError&) {
    }
    columns.push_back(field);
  }
}

// The column found, or, for one not found, the failure of asking for it.
data::Field& ColumnOf(data::Recordset& rows, std::span<const std::string_view> names,
                      const std::vector<data::Field*>& columns, int which) {
  data::Field* field = columns[which];
  return field ? *field : rows.Fields(names[which]);
}

// A column's present text in the pending row (null reads as empty text),
// appended to `out`.
void AppendTextOf(const data::Field& field, std::string& out) {
  const data::Value& value = field.Value();
  if (value.kind() == data::Value::Kind::kText) {
    out += value.AsText();
  } else {
    out += value.ToText();
  }
}

// The text a column of the field's size keeps (see FitToLength), without
// a copy: every imported row passes through here a dozen times.
std::string_view Fitted(const data::Field& field, std::string_view text) {
  return TrimSpaces(CutToLength(text, static_cast<std::size_t>(field.DefinedSize())));
}

void SetFitted(data::Field& field, std::string_view text) {
  field.SetText(Fitted(field, text));
}

}  // namespace

void AddContact(data::Recordset& contacts, const ContactInfo& contact) {
  ContactCreator(HostConnection()).AddContact(contacts, contact);
}

data::Date ContactCreator::Today() {
  // The calendar is read again only when the clock has moved on a second.
  const std::time_t now = std::time(nullptr);
  if (now == today_read_at_) return today_;
  std::tm local{};
  localtime_r(&now, &local);
  today_read_at_ = now;
  today_ = data::Date{
      .year = local.tm_year + 1900, .month = local.tm_mon + 1, .day = local.tm_mday};
  return today_;
}

void ContactCreator::SetFittedProperCase(data::Field& field, std::string_view text) {
  ProperCase(Fitted(field, text), cased_);
  field.SetText(cased_);
}

void ContactCreator::AddContact(data::Recordset& contacts, const ContactInfo& contact) {
  FindColumns(contacts, kContactColumnNames, contact_columns_of_, contact_columns_);
  auto column = [&](ContactColumn which) -> data::Field& {
    return ColumnOf(contacts, kContactColumnNames, contact_columns_, which);
  };
  column(kSendBillsToThisAddress).SetValue(kBillsAndShipsHere);
  column(kShipToThisAddress).SetValue(kBillsAndShipsHere);
  column(kClientType).SetValue(contact.ClientType);
  SetFromSystemOption(column(kTaxTable), kTaxTableOption);
  column(kCreditLimit).SetValue(kNoCreditLimit);
  const data::Date today = Today();
  column(kCustomerSince).SetValue(today);
  column(kLastVisit).SetValue(today);
  SetFromSystemOption(column(kCustTaxable), kTaxableOption);
  column(kEstimateReqOption).SetValue(kEstimateRequestOption);

  SetFittedProperCase(column(kFirstName), contact.FirstName);
  SetFittedProperCase(column(kLastName), contact.LastName);
  // Built from the names as stored, so it reads as the columns do.
  {
    data::Field& contact_name = column(kContact);
    joined_.clear();
    AppendTextOf(column(kLastName), joined_);
    joined_ += ' ';
    AppendTextOf(column(kFirstName), joined_);
    contact_name.SetText(TrimSpaces(CutToLength(joined_, kContactLength)));
  }
  SetFittedProperCase(column(kCompany), contact.Company);
  // Always text, never null: an empty name files as empty text.
  {
    data::Field& file_as = column(kFileAs);
    const data::Value& name =
        column(contact.ClientType == kFiledUnderPersonName ? kContact : kCompany).Value();
    if (name.kind() == data::Value::Kind::kText) {
      file_as.SetText(name.AsText());
    } else {
      file_as.SetText(name.ToText());
    }
  }

  SetFittedProperCase(column(kAddress), contact.Address);
  column(kAddressDescriptionID).SetValue(kStreetAddressDescription);
  SetFittedProperCase(column(kCity), contact.City);
  // A state code is proper-cased like the names: NY becomes Ny.
  SetFittedProperCase(column(kState), contact.State);
  SetFitted(column(kZipCode), contact.ZipCode);
  column(kReferalBy).SetValue(kConvertedReferral);
  column(kTerms).SetValue(kStandardTerms);
  data::Field& account = column(kAccountNo1);
  UpperCase(Fitted(account, contact.AccountNo), cased_);
  account.SetText(cased_);
  if (!contact.Notes.empty()) {
    data::Field& notes = column(kNotes);
    ProperCase(TrimSpaces(contact.Notes), cased_);
    notes.SetText(cased_);
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
    column.SetText(*option);
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
  FindColumns(phones_, kPhoneColumnNames, phone_columns_of_, phone_columns_);
  auto column = [&](PhoneColumn which) -> data::Field& {
    return ColumnOf(phones_, kPhoneColumnNames, phone_columns_, which);
  };
  auto contact_column = [&](ContactColumn which) -> data::Field& {
    return ColumnOf(contacts, kContactColumnNames, contact_columns_, which);
  };
  try {
    column(kPhoneCKey).SetValueFrom(contact_column(kCKey).Value());
    column(kPhoneAddressDescID).SetValue(kPhoneAddressDescription);
    column(kPhoneDescID).SetValue(description);
    data::Field& phone = column(kPhone);
    FormatPhoneNumber(number, formatted_phone_);
    phone.SetText(formatted_phone_);
    column(kPhoneContact).SetValueFrom(contact_column(kContact).Value());
    phones_.Update();
  } catch (...) {
    // The table stays open for the next contact, which must not inherit
    // this half-made row.
    phones_.CancelUpdate();
    throw;
  }
}

}  // namespace vdimpexp::support
