// The one error type of the host data layer: a 32-bit error number, as the
// host's database platform numbers its failures, and a description that
// names what failed.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vdimpexp::data {

namespace error_number {
// A save refused by a unique index or primary key.
inline constexpr int32_t kDuplicateKey = -2147217887;
// A value that cannot be converted to the column's type.
inline constexpr int32_t kTypeMismatch = -2147217913;
// Text longer than its column's declared size.
inline constexpr int32_t kTextTooLong = -2147217833;
// No current row (before the first, after the last, or none at all).
inline constexpr int32_t kNoCurrentRecord = -2146825267;
// A field name or index the recordset does not have.
inline constexpr int32_t kItemNotFound = -2146825023;
// An operation the object's state does not allow (closed, not updatable...).
inline constexpr int32_t kInvalidOperation = -2146825069;
// Everything else the engine reports.
inline constexpr int32_t kEngineFailure = -2147467259;
}  // namespace error_number

class DbError : public std::runtime_error {
 public:
  DbError(int32_t number, const std::string& description, bool locked = false)
      : std::runtime_error(description), number_(number), locked_(locked) {}

  int32_t number() const { return number_; }
  std::string description() const { return what(); }
  // The engine gave up waiting for a lock that another connection holds on
  // the database; the description cannot say which file that was.
  bool locked() const { return locked_; }

 private:
  int32_t number_;
  bool locked_;
};

}  // namespace vdimpexp::data
