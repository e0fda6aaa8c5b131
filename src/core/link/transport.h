#pragma once
// What the link protocol runs on: a blocking byte transport, a clock, a progress display
// and the network step before a transfer. The real transports (serial port, UDP) live in
// vilk_link; tests and the stand-in controller bring their own.
//
// A device command runs on one thread from open to close (the window's worker thread, the
// command-line tool's main thread); every call below comes from that thread.
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace vilk {

class Transport {
 public:
  virtual ~Transport() = default;
  virtual bool Open() = 0;
  // Closes; false when it was not open.
  virtual bool Close() = 0;
  virtual bool IsOpen() const = 0;
  // Drops whatever arrived and was not asked for (a late answer of an earlier exchange).
  // Called before each request is sent, never after.
  virtual void Discard() = 0;
  // Sends one packet (one datagram, one burst on the line).
  virtual bool Send(const std::uint8_t* data, std::size_t size) = 0;
  // Waits for one answer within the transport's answer wait and stores at most `capacity`
  // bytes of it; returns the number of bytes received (0: no answer). An answer longer than
  // `capacity` is cut; the caller sees the cut by its frame length.
  virtual std::size_t Receive(std::uint8_t* buffer, std::size_t capacity) = 0;
};

// Local wall-clock time, for the controller's clock.
struct LocalTime {
  int Year = 2000, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  virtual LocalTime Now() = 0;
  virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

// The computer's clock.
IClock& SystemClock();

// The progress bar of a transfer: stepped while segments move, idle otherwise. Called from
// the thread that runs the command.
class IProgress {
 public:
  virtual ~IProgress() = default;
  virtual void SetMaximum(int /*maximum*/) {}
  virtual void SetPosition(int /*position*/) {}
  virtual void Step() {}
  // Back to the idle (continuous) display.
  virtual void Done() {}
};

// The network step before a transfer: forgets the controller's ARP entry so that a
// controller replaced under the same address is found again. The real one is in vilk_link.
class INetworkSteps {
 public:
  virtual ~INetworkSteps() = default;
  virtual void ForgetControllerMac() {}
};

}  // namespace vilk
