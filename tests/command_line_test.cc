#include "driver/command_line.h"

#include <gtest/gtest.h>

#include "base/fatal.h"
#include "base/options.h"

namespace memtally {
namespace {

// The message parseCommandLine throws for `args`, or "" when it throws none.
std::string failureOf(const std::vector<std::string>& args) {
  try {
    parseCommandLine(args);
  } catch (const FatalError& error) {
    return error.message();
  }
  return "";
}

TEST(CommandLineTest, LongOptionsAreReadOnlyBeforeTheProjectAndOutsideMinusT) {
  struct Case {
    std::vector<std::string> args;
    bool help;
    bool version;
    std::optional<uint32_t> budget;
    std::optional<std::string> project;
    std::optional<std::string> target;
    std::vector<std::string> surplus;
  };
  const Case cases[] = {
      {{"--help"}, true, false, {}, {}, {}, {}},
      {{"--version"}, false, true, {}, {}, {}, {}},
      // Nothing after --help or --version is looked at.
      {{"--help", "-x", "--bogus"}, true, false, {}, {}, {}, {}},
      {{"-d", "--version", "Blink"}, false, true, {}, {}, {}, {}},
      {{"--budget=400", "Robot"}, false, false, 400, "Robot", {}, {}},
      {{"--budget", "400", "Robot"}, false, false, 400, "Robot", {}, {}},
      {{"--budget=1", "--budget=9", "R"}, false, false, 9, "R", {}, {}},
      // -t takes the next argument whatever it looks like.
      {{"-t", "--help", "Blink"}, false, false, {}, "Blink", "--help", {}},
      {{"-t", "--budget=x", "B"}, false, false, {}, "B", "--budget=x", {}},
      // After the project name everything is surplus.
      {{"Blink", "--help", "--budget=x"},
       false,
       false,
       {},
       "Blink",
       {},
       {"--help", "--budget=x"}},
  };
  for (const Case& c : cases) {
    const CommandLine line = parseCommandLine(c.args);
    EXPECT_EQ(line.help, c.help) << c.args[0];
    EXPECT_EQ(line.version, c.version) << c.args[0];
    EXPECT_EQ(line.budget, c.budget) << c.args[0];
    EXPECT_EQ(line.project, c.project) << c.args[0];
    EXPECT_EQ(line.target, c.target) << c.args[0];
    EXPECT_EQ(line.surplus, c.surplus) << c.args[0];
  }
}

TEST(CommandLineTest, ShortOptionsKeepTheirMeaningBesideLongOnes) {
  const CommandLine line = parseCommandLine(
      {"-d", "--budget=50", "--check", "-C", "-tMain", "--path", "-ux", "B"});
  EXPECT_EQ(line.options, OPT_DETAIL | OPT_CALLERS | OPT_UNUSED);
  EXPECT_EQ(line.target, "Main");
  EXPECT_EQ(line.budget, 50u);
  EXPECT_TRUE(line.path);
  EXPECT_TRUE(line.check);
  const CommandLine plain = parseCommandLine({"-d", "B", "--path"});
  EXPECT_FALSE(plain.path);
  EXPECT_FALSE(plain.check);
}

TEST(CommandLineTest, MalformedLongOptionsFailWithTheirMessage) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const auto invalid = [](const std::string& value) {
    return "Invalid byte count \"" + value + "\" for option --budget.\n";
  };
  const Case cases[] = {
      {{"--budget"}, "Missing byte count for option --budget.\n"},
      {{"-d", "--budget"}, "Missing byte count for option --budget.\n"},
      {{"--budget=", "B"}, invalid("")},
      {{"--budget=0", "B"}, invalid("0")},
      {{"--budget=-1", "B"}, invalid("-1")},
      {{"--budget=+5", "B"}, invalid("+5")},
      {{"--budget= 5", "B"}, invalid(" 5")},
      {{"--budget=5 ", "B"}, invalid("5 ")},
      {{"--budget=0x10", "B"}, invalid("0x10")},
      {{"--budget=4294967296", "B"}, invalid("4294967296")},
      {{"--budget=99999999999999999999", "B"}, invalid("99999999999999999999")},
      {{"--budget=1e3", "B"}, invalid("1e3")},
      // The next argument is the value, even the project name.
      {{"--budget", "Robot"}, invalid("Robot")},
      {{"--budget=5", "--budget=x", "B"}, invalid("x")},
      // Unknown long options, "--" alone and values where none belong.
      {{"--", "B"}, "Unrecognized option - \"--\".\n"},
      {{"---", "B"}, "Unrecognized option - \"---\".\n"},
      {{"--detail", "B"}, "Unrecognized option - \"--detail\".\n"},
      {{"--he", "B"}, "Unrecognized option - \"--he\".\n"},
      {{"--HELP", "B"}, "Unrecognized option - \"--HELP\".\n"},
      {{"--help=yes", "B"}, "Unrecognized option - \"--help=yes\".\n"},
      {{"--version=1", "B"}, "Unrecognized option - \"--version=1\".\n"},
      {{"--budgets=5", "B"}, "Unrecognized option - \"--budgets=5\".\n"},
      {{"--path=yes", "B"}, "Unrecognized option - \"--path=yes\".\n"},
      // A long option seen earlier does not let an unknown one pass.
      {{"--path", "--check", "--pth", "B"},
       "Unrecognized option - \"--pth\".\n"},
      {{"--check=", "B"}, "Unrecognized option - \"--check=\".\n"},
      {{"--bound=yes", "B"}, "Unrecognized option - \"--bound=yes\".\n"},
      {{"--annotations"}, "Missing file name for option --annotations.\n"},
      {{"--annotations=", "B"},
       "Missing file name for option --annotations.\n"},
      // Options without a project still need one.
      {{"--budget=5"}, "No BasicX project specified.\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(failureOf(c.args), c.message) << c.args[0];
  }
}

TEST(CommandLineTest, AnnotationsImplyBoundModeAndTakeTheNextArgument) {
  struct Case {
    std::vector<std::string> args;
    bool bound;
    std::optional<std::string> annotations;
    std::optional<std::string> project;
  };
  const Case cases[] = {
      {{"Blink"}, false, {}, "Blink"},
      {{"--bound", "Blink"}, true, {}, "Blink"},
      {{"--annotations=x.mta", "Blink"}, true, "x.mta", "Blink"},
      {{"--annotations", "Blink"}, true, "Blink", {}},
      {{"--annotations", "a.mta", "--annotations=b.mta", "B"}, true, "b.mta",
       "B"},
      {{"Blink", "--bound"}, false, {}, "Blink"},
  };
  for (const Case& c : cases) {
    CommandLine line;
    try {
      parseArguments(c.args, line);
    } catch (const FatalError&) {
    }
    EXPECT_EQ(line.bound, c.bound) << c.args[0];
    EXPECT_EQ(line.annotations, c.annotations) << c.args[0];
    EXPECT_EQ(line.project, c.project) << c.args[0];
  }
}

TEST(CommandLineTest, ByteCountIsDecimalFromOneTo2To32Minus1) {
  EXPECT_EQ(parseByteCount("1"), 1u);
  EXPECT_EQ(parseByteCount("0400"), 400u);
  EXPECT_EQ(parseByteCount("4294967295"), 4294967295u);
  EXPECT_EQ(parseByteCount("00004294967295"), 4294967295u);
  for (const char* bad : {"", "0", "000", "4294967296", "18446744073709551617",
                          "-0", "12a", "\xd9\xa1", "1\n"}) {
    EXPECT_EQ(parseByteCount(bad), std::nullopt) << bad;
  }
}

TEST(CommandLineTest, UsageNamesEveryOptionAndTheManual) {
  const std::string usage(usageText());
  EXPECT_EQ(usage.rfind("Usage: memtally [options] project\n", 0), 0u);
  for (const char* option : {"  -c ", "  -d ", "  -u ", "  -t ROUTINE ",
                             "  --budget=BYTES ", "  --path ", "  --check ",
                             "  --help ", "  --version ", "man memtally"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
  // Every line fits an 80-column terminal.
  size_t start = 0;
  while (start < usage.size()) {
    const size_t end = usage.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
    start = end + 1;
  }
}

}  // namespace
}  // namespace memtally
