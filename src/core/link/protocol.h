#pragma once
// The request/answer exchanges with the controller: Transact and the seven requests, with
// their attempts, answer checks and messages. One LinkProtocol serves one device command
// over an open transport.
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "base/messages.h"
#include "controller/models.h"
#include "link/frame.h"
#include "link/link_log.h"
#include "link/login.h"
#include "link/transport.h"

namespace vilk {

// The parameters of the segment requests.
struct TransferState {
  std::string FileName;  // UTF-8; sent as cp1251 cut to 12 characters
  std::int32_t Position = 0;
  std::int32_t TotalSize = 0;
  std::uint8_t SegmentLength = 0;  // 1..128
};

// Major × 65536 + minor × 256 + letter: the comparable firmware version of an identity.
std::uint32_t IdentityVersion(const ModelRecord& identity);

class LinkProtocol {
 public:
  LinkProtocol(Transport& transport, IMessages& messages, LoginState& login,
               IClock& clock = SystemClock());

  // Sends Tx and, when an answer is awaited, receives it into Rx. Rx is cleared first; an
  // answer is taken only when it is exactly one sound frame (L >= 1, L + 2 bytes, checksum)
  // echoing the request code; otherwise Rx stays clear. Without an awaited answer (Reboot)
  // the result is false.
  bool Transact(bool awaitAnswer);

  void Reboot();
  // Looks for Transfer.FileName; true when found (error code 0). The size is FoundSize().
  bool FindFile(int searchMode = 1);
  // Reads the segment at Transfer.Position into `file` (the whole file's buffer, at least
  // Transfer.TotalSize bytes). The answer must bring exactly the segment's bytes: the
  // segment length, or what is left of the file for the last segment.
  bool ReadSegment(std::span<std::uint8_t> file);
  // Writes the segment at Transfer.Position from `file` (the whole file). Bytes past the
  // file's end are sent as zeros.
  bool WriteSegment(std::span<const std::uint8_t> file, std::uint32_t fileCrc);
  bool SetClock();
  // The controller's value at `address`; 0 when it does not answer.
  bool ReadValue(std::uint16_t address, std::int32_t& value);
  // The controller's identity; all zero when it does not answer.
  bool Identify(ModelRecord& identity);

  // Fields of the last answer.
  std::uint16_t ErrorCode() const { return static_cast<std::uint16_t>(Rx[2] | (Rx[3] << 8)); }
  std::uint16_t FindErrorCode() const { return static_cast<std::uint16_t>(Rx[3] | (Rx[4] << 8)); }
  std::uint32_t FoundSize() const;

  // Shows an error box text, cut to 255 characters.
  void ShowError(const std::string& text);

  IMessages& Messages() { return messages_; }
  LoginState& Login() { return login_; }
  IClock& Clock() { return clock_; }
  Transport& Link() { return transport_; }

  std::array<std::uint8_t, kMaxFrameSize> Tx{};
  std::array<std::uint8_t, kMaxFrameSize> Rx{};
  std::size_t RxSize = 0;  // bytes of the last accepted answer
  TransferState Transfer;
  // When false, Transact shows no messages. The requests other than SetClock and Reboot
  // clear it while they retry and restore it afterwards.
  bool ShowLinkErrors = true;
  // Where every exchange is logged (none: not logged).
  LinkLog* Log = nullptr;

 private:
  void Begin(std::uint8_t length, std::uint8_t code);
  void PutName(std::size_t lengthAt);
  void Put16(std::size_t at, std::uint16_t v);
  void Put32(std::size_t at, std::uint32_t v);
  bool Exchange(bool awaitAnswer, LinkExchange& log);

  Transport& transport_;
  IMessages& messages_;
  LoginState& login_;
  IClock& clock_;
};

}  // namespace vilk
