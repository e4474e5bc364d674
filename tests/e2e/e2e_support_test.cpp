// A check the end-to-end tests cannot run (no render context, no virtual
// display) is skipped on a developer's machine but fails in CI.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "e2e_support.h"

namespace {

// Sets CI for one scope and puts back what was there.
class CiVariable {
 public:
  explicit CiVariable(const char* value) {
    if (const char* old = std::getenv("CI")) saved_ = old;
    if (value)
      setenv("CI", value, 1);
    else
      unsetenv("CI");
  }
  ~CiVariable() {
    if (saved_)
      setenv("CI", saved_->c_str(), 1);
    else
      unsetenv("CI");
  }

 private:
  std::optional<std::string> saved_;
};

TEST(E2eSupport, AMissingCheckFailsInCiAndIsQuietElsewhere) {
  {
    CiVariable ci("true");
    EXPECT_NONFATAL_FAILURE(e2e::Available(false, "no render context"), "no render context");
    EXPECT_TRUE(e2e::Available(true, "never shown"));
  }
  for (const char* value : {static_cast<const char*>(nullptr), "", "false"}) {
    CiVariable ci(value);
    EXPECT_FALSE(e2e::Available(false, "no render context"));
  }
}

}  // namespace
