#include "scan/module_qualifiers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace memtally {
namespace {

using Names = std::vector<std::string>;

TEST(ModuleQualifiersTest, FindsModulesByLastComponentWhateverTheCase) {
  ModuleQualifiers qualifiers;
  for (const char* name :
       {"Serial", "src/Serial", "lib\\SERIAL", "serial", "SRC/serial", "Io"}) {
    qualifiers.add(name);
  }
  // A name added before in another letter case is not added again.
  EXPECT_EQ(qualifiers.find("sErIaL"),
            (Names{"Serial", "src/Serial", "lib\\SERIAL"}));
  EXPECT_EQ(qualifiers.find("IO"), Names{"Io"});
  EXPECT_EQ(qualifiers.find("src/Serial"), Names{});
  EXPECT_EQ(qualifiers.find("Seria"), Names{});
  EXPECT_EQ(qualifiers.find(""), Names{});
  EXPECT_EQ(lastPathComponent("a/b\\c"), "c");
  EXPECT_EQ(lastPathComponent("dir/"), "");
  EXPECT_EQ(lastPathComponent("plain"), "plain");
}

}  // namespace
}  // namespace memtally
