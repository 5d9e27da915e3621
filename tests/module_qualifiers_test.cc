#include "scan/module_qualifiers.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

TEST(ModuleQualifiersTest, QualifiedNameMeansThePublicRoutineOfTheFirstModule) {
  RoutineTable table;
  const auto define = [&table](const char* module, const char* routine,
                               uint32_t flags) {
    RoutineEntry* entry = lookupOrAddRoutine(table, module, routine, true);
    entry->flags = ROUTINE_DEFINED | flags;
    return entry;
  };
  define("Serial", "Put", ROUTINE_PRIVATE);
  const RoutineEntry* srcPut = define("src/Serial", "Put", 0);
  define("lib\\SERIAL", "Put", 0);
  const RoutineEntry* libGet = define("lib\\SERIAL", "Get", 0);
  const RoutineEntry* ioGet = define("Io", "Get", 0);
  ModuleQualifiers qualifiers;
  for (const char* name :
       {"Serial", "src/Serial", "lib\\SERIAL", "serial", "Io"}) {
    qualifiers.add(name);
  }
  qualifiers.indexRoutines(table);
  // The private Put of the first Serial does not count; letter case never.
  EXPECT_EQ(qualifiers.findPublic("sErIaL", "pUT"), srcPut);
  EXPECT_EQ(qualifiers.findPublic("Serial", "Get"), libGet);
  EXPECT_EQ(qualifiers.findPublic("IO", "get"), ioGet);
  // Only the last component qualifies, and only whole.
  EXPECT_EQ(qualifiers.findPublic("src/Serial", "Put"), nullptr);
  EXPECT_EQ(qualifiers.findPublic("Seria", "Put"), nullptr);
  EXPECT_EQ(qualifiers.findPublic("", "Put"), nullptr);
  EXPECT_EQ(qualifiers.findPublic("Io", "Put"), nullptr);
  EXPECT_EQ(lastPathComponent("a/b\\c"), "c");
  EXPECT_EQ(lastPathComponent("dir/"), "");
  EXPECT_EQ(lastPathComponent("plain"), "plain");
}

}  // namespace
}  // namespace memtally
