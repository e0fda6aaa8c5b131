#include "link/device.h"

#include "base/format.h"

namespace vilk {

namespace {

// Closes the transport on every way out of a command that opened it.
class OpenLinkGuard {
 public:
  explicit OpenLinkGuard(Transport& t) : t_(t) {}
  ~OpenLinkGuard() { t_.Close(); }

 private:
  Transport& t_;
};

// Puts the progress bar back to idle when a command ends.
class ProgressGuard {
 public:
  explicit ProgressGuard(IProgress& p) : p_(p) {}
  ~ProgressGuard() { p_.Done(); }

 private:
  IProgress& p_;
};

int SegmentCount(std::size_t size) {
  return static_cast<int>(size / kSegmentSize + (size % kSegmentSize ? 1 : 0));
}

}  // namespace

std::string TooLargeMessage(const std::string& name, std::uintmax_t size) {
  return Format("Файл %s размером %d байт больше буфера передачи (%d байт).", name,
                static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(kMaxTransferSize));
}

DeviceSession::DeviceSession(Transport& transport, const LinkSettings& settings,
                             IMessages& messages, LoginState& login, IClock& clock)
    : transport_(transport), settings_(settings), protocol_(transport, messages, login, clock) {}

bool DeviceSession::OpenOrComplain() {
  if (transport_.Open()) return true;
  if (protocol_.ShowLinkErrors) protocol_.ShowError("Ошибка при инициализации порта");
  return false;
}

LocateResult DeviceSession::LocateConfiguration() {
  ProgressGuard done(*progress_);
  LocateResult result;
  if (!transport_.Open()) return result;
  std::string name;
  ModelRecord identity;
  {
    OpenLinkGuard close(transport_);
    const bool show = protocol_.ShowLinkErrors;
    protocol_.ShowLinkErrors = false;
    progress_->SetMaximum(3);
    progress_->SetPosition(1);
    progress_->Step();

    const bool identified = protocol_.Identify(identity);
    if (identified &&
        (identity.TypeCode == 22 || identity.TypeCode == 23 || identity.TypeCode == 26))
      name = kConfigurationFile;
    if (!identified) {
      // An old controller does not answer Identify; its configuration file tells it apart.
      progress_->Step();
      name = kConfigurationFile;
      protocol_.Transfer.FileName = name;  // FindFile looks for the transfer's file name
      if (!protocol_.FindFile(1)) name.clear();
    }
    protocol_.ShowLinkErrors = show;
  }
  if (name.empty()) {
    protocol_.ShowError("Контроллер ВИЛК не найден");
    return result;
  }
  if (identity.TypeCode == 0 && name == kConfigurationFile) {
    identity.Name = "ВИЛК.XXX ";
    identity.Year = 2023;
    identity.Letter = ' ';
    identity.Minor = 5;
    identity.Major = 1;
    identity.TypeCode = 23;
  }
  if (IdentityVersion(identity) > 0x010CFF) {
    protocol_.ShowError("Обновите программу \"Конфигуратор ВИЛК\".");
    return result;
  }
  progress_->SetPosition(0);
  result.FileName = name;
  result.Identity = identity;
  return result;
}

bool DeviceSession::ReadControllerFile(const std::string& name, std::vector<std::uint8_t>& out) {
  ProgressGuard done(*progress_);
  net_->ForgetControllerMac();
  progress_->SetPosition(1);
  if (!OpenOrComplain()) return false;
  OpenLinkGuard close(transport_);
  protocol_.Transfer.FileName = name;
  protocol_.Clock().Sleep(settle_);

  if (!protocol_.FindFile(1)) {
    protocol_.ShowError("Ошибка поиска файла");
    return false;
  }
  const std::uint32_t size = protocol_.FoundSize();
  if (size > kMaxTransferSize) {
    protocol_.ShowError(TooLargeMessage(name, size));
    return false;
  }
  protocol_.Transfer.TotalSize = static_cast<std::int32_t>(size);
  const int count = SegmentCount(size);
  progress_->SetMaximum(count + 1);

  std::vector<std::uint8_t> data(size, 0);
  for (int i = 1; i <= count; ++i) {
    protocol_.Transfer.Position = (i - 1) * static_cast<int>(kSegmentSize);
    protocol_.Transfer.SegmentLength = kSegmentSize;  // the last answer may be shorter
    if (!protocol_.ReadSegment(data) || protocol_.ErrorCode() != 0) return false;
    progress_->Step();
  }
  out = std::move(data);
  return true;
}

bool DeviceSession::WriteControllerFile(std::span<const std::uint8_t> data, const std::string& name,
                                        const std::string& note) {
  ProgressGuard done(*progress_);
  const std::size_t size = data.size();
  if (size > kMaxTransferSize) {
    protocol_.ShowError(TooLargeMessage(name, size));
    return false;
  }
  net_->ForgetControllerMac();
  progress_->SetPosition(0);
  const std::string question = note + "Записать в RTU" + TargetSuffix(settings_) +
                               "\r\r размер файла = " + std::to_string(size);
  if (protocol_.Messages().Question(question, false) != Answer::Yes) return false;
  if (!protocol_.Login().LoggedIn() && !(loginPrompt_ && loginPrompt_())) return false;
  if (!OpenOrComplain()) return false;
  OpenLinkGuard close(transport_);
  protocol_.Clock().Sleep(settle_);

  const std::uint32_t crc = Crc32NoFinalXor(data);
  protocol_.Transfer.FileName = name;
  protocol_.Transfer.TotalSize = static_cast<std::int32_t>(size);
  const int count = SegmentCount(size);
  progress_->SetPosition(1);
  progress_->SetMaximum(count + 1);
  for (int i = 1; i <= count; ++i) {
    protocol_.Transfer.Position = (i - 1) * static_cast<int>(kSegmentSize);
    const bool shortLast = i == count && size % kSegmentSize != 0;
    protocol_.Transfer.SegmentLength =
        static_cast<std::uint8_t>(shortLast ? size % kSegmentSize : kSegmentSize);
    if (!protocol_.WriteSegment(data, crc)) {
      if (protocol_.ErrorCode() == kErrWrongPassword) protocol_.Login().Reject();
      return false;
    }
    if (protocol_.ErrorCode() != 0) return false;
    progress_->Step();
  }
  return true;
}

bool DeviceSession::Restart() {
  const std::string question = "Перезапустить RTU" + TargetSuffix(settings_);
  if (protocol_.Messages().Question(question, false) != Answer::Yes) return false;
  if (!OpenOrComplain()) return false;
  OpenLinkGuard close(transport_);
  protocol_.Reboot();
  return true;
}

bool DeviceSession::SetTime() {
  if (!OpenOrComplain()) return false;
  OpenLinkGuard close(transport_);
  if (protocol_.SetClock()) {
    protocol_.Messages().Info("Время установлено.");
    return true;
  }
  protocol_.ShowError("Ошибка установки времени");
  return false;
}

bool DeviceSession::ReadValue(std::uint16_t address, std::int32_t& value) {
  value = 0;
  net_->ForgetControllerMac();
  if (!OpenOrComplain()) return false;
  OpenLinkGuard close(transport_);
  return protocol_.ReadValue(address, value);
}

bool DeviceSession::OpenLink() {
  net_->ForgetControllerMac();
  return transport_.Open();
}

void DeviceSession::CloseLink() {
  transport_.Close();
}

}  // namespace vilk
