// The serial transport over a pseudo-terminal pair of the test's own: an answer ends at
// its announced length, at a gap between bytes or at the total timeout; bytes after the
// frame go with the next Discard; a port that cannot be opened is reported by the link test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "network.h"
#include "serial_transport.h"
#include "sim_process.h"

namespace vilk::test {
namespace {

class PtyPair {
 public:
  PtyPair() {
    char name[128];
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
      ADD_FAILURE() << "openpty failed";
    termios t{};
    ::tcgetattr(slave_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave_, TCSANOW, &t);
    Device = name;
  }
  ~PtyPair() {
    ::close(master_);
    ::close(slave_);
  }
  void Write(const Bytes& b) {
    ASSERT_EQ(::write(master_, b.data(), b.size()), static_cast<ssize_t>(b.size()));
  }
  std::string Device;

 private:
  int master_ = -1;
  int slave_ = -1;  // held so that the line stays up between opens
};

SerialTimings Quick() {
  SerialTimings t;
  t.ReadBaseMs = 300;
  t.ReadPerByteMs = 0;
  return t;
}

TEST(SerialLink, AnAnswerEndsAtItsAnnouncedLength) {
  PtyPair pty;
  SerialTransport link(pty.Device, Quick());
  ASSERT_TRUE(link.Open());
  // A frame and three stray bytes behind it, in one burst.
  pty.Write({3, 0x9B, 0, 0, 0x9B, 0xEE, 0xEE, 0xEE});
  std::uint8_t buf[258];
  // Five bytes, not eight: the read stopped at the frame's end, not at a gap.
  ASSERT_EQ(link.Receive(buf, sizeof buf), 5u);
  EXPECT_EQ(Bytes(buf, buf + 5), (Bytes{3, 0x9B, 0, 0, 0x9B}));
  link.Discard();
  EXPECT_EQ(link.Receive(buf, sizeof buf), 0u);
}

TEST(SerialLink, AGapEndsTheAnswer) {
  PtyPair pty;
  SerialTransport link(pty.Device, Quick());
  ASSERT_TRUE(link.Open());
  std::thread line([&] {
    pty.Write({9, 0xA1, 0});
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    pty.Write({0, 1, 2, 3, 4, 5, 6, 7});
  });
  std::uint8_t buf[258];
  EXPECT_EQ(link.Receive(buf, sizeof buf), 3u);
  line.join();
}

TEST(SerialLink, SilenceEndsAtTheTotalTimeout) {
  PtyPair pty;
  SerialTransport link(pty.Device, Quick());
  ASSERT_TRUE(link.Open());
  std::uint8_t buf[258];
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link.Receive(buf, sizeof buf), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
}

TEST(SerialLink, OpeningPurgesWhatTheLineHeld) {
  PtyPair pty;
  pty.Write({3, 0x9B, 0, 0, 0x9B});
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  SerialTransport link(pty.Device, Quick());
  ASSERT_TRUE(link.Open());
  std::uint8_t buf[258];
  EXPECT_EQ(link.Receive(buf, sizeof buf), 0u);
  EXPECT_TRUE(link.Close());
  EXPECT_FALSE(link.Close());
  EXPECT_FALSE(link.IsOpen());
}

TEST(SerialLink, PortsThatCannotBeOpened) {
  SerialTransport missing("/dev/vilk-no-such-port");
  EXPECT_FALSE(missing.Open());
  SerialTransport none("");
  EXPECT_FALSE(none.Open());

  LinkSettings settings;
  settings.ComN = 3;
  settings.SerialDevice = "/dev/vilk-no-such-port";
  RecordingMessages messages;
  EXPECT_EQ(LinkTest(settings, "Vilk", messages), "Vilk.  COM=3");
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка при инициализации СОМ-порта"}));

  PtyPair pty;
  settings.SerialDevice = pty.Device;
  messages.Errors.clear();
  EXPECT_EQ(LinkTest(settings, "Vilk", messages), "Vilk.  COM=3");
  EXPECT_TRUE(messages.Errors.empty());

  settings.LinkMode = 7;  // no transport
  EXPECT_FALSE(LinkTest(settings, "Vilk", messages).has_value());
  EXPECT_EQ(MakeTransport(settings), nullptr);
}

}  // namespace
}  // namespace vilk::test
