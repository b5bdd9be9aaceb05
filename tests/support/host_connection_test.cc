#include "support/host_connection.h"

#include <gtest/gtest.h>

#include <thread>

#include "data/db_error.h"

namespace vdimpexp::support {
namespace {

TEST(HostConnectionTest, EachThreadSeesOnlyTheConnectionItWasHanded) {
  data::Connection mine;
  SetHostConnection(mine);
  EXPECT_EQ(&HostConnection(), &mine);

  bool other_thread_refused = false;
  std::thread other([&] {
    try {
      HostConnection();
    } catch (const data::DbError& error) {
      other_thread_refused = error.number() == data::error_number::kInvalidOperation;
    }
  });
  other.join();
  EXPECT_TRUE(other_thread_refused);

  data::Connection replacement;
  SetHostConnection(replacement);
  EXPECT_EQ(&HostConnection(), &replacement);
}

}  // namespace
}  // namespace vdimpexp::support
