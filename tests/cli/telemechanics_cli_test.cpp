// vilkcfg on the station polling and IEC-104 ports of the demonstration configuration:
// show prints every field in the frames' units, and a resave keeps the record stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"
#include "demo.h"

namespace vilk {
namespace {

class TelemechanicsCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingMessages messages;
    Configuration config(messages);
    BuildDemo(config);
    const std::vector<std::uint8_t> bytes = test::Build(config);
    ASSERT_FALSE(bytes.empty());
    test::WriteAll(Path("demo.cfg"), bytes);
  }
  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  test::ScratchFolder dir;
  std::ostringstream out, err;
};

TEST_F(TelemechanicsCliTest, ShowPrintsEveryFieldOfStationsAndIecDevices) {
  ASSERT_EQ(Run({"show", Path("demo.cfg"), "1_КП"}), 0) << err.str();
  const std::string station = out.str();
  EXPECT_NE(station.find("class = TKP\n"), std::string::npos) << station;
  EXPECT_NE(station.find("place = ПС Южная\naddress = 1\nasdu = 1\nprotocol = 0\nattempts = 5\n"
                         "reply_wait = 2000 мс\nreceipt_wait = 3000 мс\ncheck_period = 10 мин\n"),
            std::string::npos)
      << station;
  EXPECT_NE(station.find("array_channel = 2\ncount_total = 6\ncount_ts = 16\ncount_tu = 4\n"
                         "count_ti = 12\ncount_tii = 2\ncount_tr = 0\ncount_mts = 0\n"
                         "group_types = 1=1 2=2 3=4\nlink_address_length = 1\n"),
            std::string::npos)
      << station;
  EXPECT_NE(station.find("base_ts = 8192\nbase_mts = 49152\n"), std::string::npos);
  EXPECT_NE(station.find("signal1 = 8_Порт.1_КП.В-10 Т1 включен\n"), std::string::npos);

  ASSERT_EQ(Run({"show", Path("demo.cfg"), "21_RTU104", "--json"}), 0) << err.str();
  const std::string json = out.str();
  for (const char* field :
       {"\"ip\"", "\"t0\"", "\"reconnect_interval\"", "\"t3\"", "\"link_loss_timeout\"",
        "\"interrogation_interval\"", "\"clock_sync_interval\"", "\"k\"", "\"w\"", "\"count_mts\"",
        "\"base_tr\""})
    EXPECT_NE(json.find(field), std::string::npos) << field;
  ASSERT_EQ(Run({"show", Path("demo.cfg"), "21_RTU104"}), 0);
  EXPECT_NE(out.str().find("ip = 10.10.0.21\nasdu = 21\nt0 = 2 с\nreconnect_interval = 10 с\n"
                           "t1 = 15 с\nt2 = 5 с\nt3 = 40 с\nlink_loss_timeout = 60 с\n"
                           "interrogation_interval = 10 мин\nclock_sync_interval = 60 мин\n"
                           "k = 12\nw = 8\n"),
            std::string::npos)
      << out.str();
}

TEST_F(TelemechanicsCliTest, ResaveKeepsTheRecordStream) {
  ASSERT_EQ(Run({"resave", Path("demo.cfg"), Path("again.cfg")}), 0) << err.str();
  const std::vector<std::uint8_t> first = test::ReadAll(Path("demo.cfg"));
  const std::vector<std::uint8_t> second = test::ReadAll(Path("again.cfg"));
  ASSERT_EQ(first.size(), second.size());
  ASSERT_GT(first.size(), 146u);
  // The 144-byte header names the file and the moment; the two-byte sum at the end follows
  // it. Everything between is the record stream.
  EXPECT_TRUE(std::equal(first.begin() + 144, first.end() - 2, second.begin() + 144));
}

}  // namespace
}  // namespace vilk
