// vilkcfg --version: the version of the build, the one the window's about box shows.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "base/version.h"
#include "cli.h"

namespace vilk {
namespace {

TEST(VersionCliTest, PrintsTheBuildVersionAndNothingElse) {
  const std::string version = ProgramVersion();
  EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+)"))) << version;
  std::ostringstream out, err;
  EXPECT_EQ(cli::Run({"--version"}, out, err), 0);
  EXPECT_EQ(out.str(), "vilkcfg " + version + "\n");
  EXPECT_EQ(err.str(), "");
  // The usage names it.
  std::ostringstream help, none;
  EXPECT_EQ(cli::Run({"--help"}, help, none), 0);
  EXPECT_NE(help.str().find("vilkcfg --version"), std::string::npos);
  // An option after it is no version request: the command is unknown.
  std::ostringstream out2, err2;
  EXPECT_EQ(cli::Run({"--versions"}, out2, err2), 2);
  EXPECT_EQ(out2.str(), "");
}

}  // namespace
}  // namespace vilk
