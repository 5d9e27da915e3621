#include "scan/keywords.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

TEST(KeywordsTest, ReservedWordsInAnyCaseAndNothingElse) {
  for (const char* word : {"If", "THEN", "else", "ElseIf", "Call", "Dim",
                           "ByRef", "Mod", "Xor", "UnsignedLong",
                           "UnsignedInteger", "Nothing", "True", "Byte"}) {
    EXPECT_TRUE(isKeyword(word)) << word;
  }
  for (const char* word : {"Delay", "CStr", "GetADC", "PutPin", "Debug.Print",
                           "Iff", "Els", "", "unsignedlongs", "D\xc3\xadm"}) {
    EXPECT_FALSE(isKeyword(word)) << word;
  }
}

}  // namespace
}  // namespace memtally
