// Output that is safe whatever happens: a replaced file only when all was
// written, every write checked, any bytes in names, no abort on any
// arguments.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "support/test_support.h"
#include "support/tool_run.h"

namespace korvel::testing {
namespace {

using Json = nlohmann::json;

const std::string kAmp = examplePath("amp.s2p");

TEST(SafeOutput, ExistingFileKeptWhenTheDumpFails) {
  TempFile keep("keep.csv", "keep me\n");
  ToolRun run = korvel({"dump", "--format", "csv", "-o", keep.path(), kAmp, "nope"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(readFile(keep.path()), "keep me\n");
  ToolRun refused = korvel({"dump", "-o", keep.path(), kAmp, "/nonexistent/x.s2p"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(readFile(keep.path()), "keep me\n");
  // No temporary is left beside the target.
  ToolRun listing = shell("ls -A " + shellQuoted(keep.path().substr(0, keep.path().rfind('/'))));
  EXPECT_EQ(listing.out, "keep.csv\n");
}

TEST(SafeOutput, FileReplacedWhenTheDumpSucceeds) {
  TempFile keep("keep.csv", "old\n");
  ToolRun run = korvel({"dump", "--format", "csv", "-o", keep.path(), kAmp, "K"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(readFile(keep.path()).rfind("name,segment,f [Hz],re,im,unit\n", 0), 0u);
}

TEST(SafeOutput, FullDiskIsAFailure) {
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"dump", kAmp},
                                             {"info", kAmp},
                                             {"list", kAmp},
                                             {"get", kAmp, "S21"},
                                             {"props", kAmp, "K"},
                                             {"convert", kAmp, "-o -"}}) {
    ToolRun run =
        shell(shellQuoted(std::string(KORVEL_BINARY_DIR) + "/korvel") + " " + arguments[0] + " " +
              shellQuoted(arguments[1]) + (arguments.size() > 2 ? " " + arguments[2] : "") + " >/dev/full");
    EXPECT_EQ(run.status, 1) << arguments[0];
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
  }
  // A device is written, never replaced by a regular file.
  ToolRun run = korvel({"dump", "-o", "/dev/full", kAmp});
  EXPECT_EQ(run.status, 1);
  struct stat device {};
  ASSERT_EQ(::stat("/dev/full", &device), 0);
  EXPECT_TRUE(S_ISCHR(device.st_mode));
}

// A reader that stops early ends the dump with status 1, silently.
TEST(SafeOutput, ClosedPipeEndsTheDump) {
  std::string text = "# GHz S RI R 50\n";
  for (int p = 1; p <= 20000; ++p) text += std::to_string(p) + " 0.1 0.2 0.3 0.4 0.3 0.4 0.1 0.2\n";
  TempFile big("big.s2p", text);
  ToolRun run = shell("bash -c " + shellQuoted(shellQuoted(std::string(KORVEL_BINARY_DIR) + "/korvel") +
                                               " dump --format csv " + shellQuoted(big.path()) +
                                               " | head -1; echo ${PIPESTATUS[0]} >&2"));
  EXPECT_EQ(run.out, "name,segment,f [Hz],re,im,unit\n");
  EXPECT_EQ(run.err, "1\n");
}

TEST(SafeOutput, NonUtf8FileNameEscapedInJson) {
  TempFile odd("caf\xe9.s2p", readFile(kAmp));
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"dump", odd.path(), "K"}, {"info", "--json", odd.path()}}) {
    ToolRun run = korvel(arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    Json document = Json::parse(run.out);
    std::string file = document["file"];
    EXPECT_EQ(file.substr(file.size() - 9), "caf\xc3\xa9.s2p");
  }
}

// Whatever the arguments, the tool ends with one of its statuses: never an
// abort, a crash or an uncaught exception.
TEST(HostileArguments, EveryCommandEndsWithAStatus) {
  const std::vector<std::string> oddities = {"",
                                             "-",
                                             "@",
                                             "S21@",
                                             "S21@abc",
                                             "S21@1e400",
                                             "S21@-1GHz",
                                             "S21@@",
                                             "(",
                                             "S(",
                                             "S(,)",
                                             "/",
                                             std::string(5000, 'S'),
                                             "\xff\xfe",
                                             "--unit",
                                             "db",
                                             "--prefix",
                                             "..",
                                             "/dev/null"};
  const std::vector<std::vector<std::string>> commands = {{"info"},
                                                          {"list"},
                                                          {"props", kAmp},
                                                          {"get", kAmp},
                                                          {"dump", kAmp},
                                                          {"dump", "--format", "csv", "--wide", kAmp},
                                                          {}};
  for (const auto& command : commands) {
    for (const std::string& oddity : oddities) {
      std::vector<std::string> arguments = command;
      arguments.push_back(oddity);
      ToolRun run = korvel(arguments);
      EXPECT_TRUE(run.status == 0 || run.status == 1 || run.status == 2)
          << (command.empty() ? "" : command[0]) << " '" << oddity << "' ended with " << run.status << ": "
          << run.err;
      EXPECT_EQ(run.err.find("terminate"), std::string::npos) << run.err;
    }
  }
}

}  // namespace
}  // namespace korvel::testing
