#include "model/image_ops.h"

#include <cstring>
#include <ctime>

#include "base/files.h"
#include "base/format.h"
#include "base/text.h"
#include "controller/controller.h"

namespace vilk {

namespace {

constexpr std::size_t kWriteLimit = kMaxImageSize - 17;  // the last E that keeps T within 1 MiB

void PutText(ConfigImage& image, std::size_t at, const std::string& utf8, std::size_t width) {
  const std::string bytes = Utf8ToCp1251(utf8);
  std::memcpy(image.Data() + at, bytes.data(), std::min(bytes.size(), width));
}

std::string SignatureBytes(const ConfigImage& image, std::size_t count) {
  std::string bytes(reinterpret_cast<const char*>(image.Data()), count);
  for (char& c : bytes)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';  // keep the message one line of text
  return Cp1251ToUtf8(bytes);
}

}  // namespace

BuildTime BuildTime::Now() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string BaseFileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

bool Build(Configuration& config, ConfigImage& image, const std::string& configFileName,
           const std::string& deviceFileName, const BuildTime& when, bool checked) {
  TController& controller = config.Controller();
  image.Zero();
  image.BuildCursor = 128;
  std::memcpy(image.Data(), kSignVilk, 14);
  image.Data()[14] = 1;
  image.Data()[15] = controller.TypeCode;

  std::string fileName = deviceFileName;
  if (!BaseFileName(configFileName).empty()) fileName = configFileName;
  PutText(image, 32, Format("File:%-16.16s", BaseFileName(fileName)), 16);
  PutText(image, 48, Format("Date:%02d.%02d.%04d ", when.Day, when.Month, when.Year), 16);
  PutText(image, 64, Format("Time:%02d:%02d:%02d   ", when.Hour, when.Minute, when.Second), 16);
  PutText(image, 80, "Data:       ", 12);
  std::memcpy(image.Data() + 128, kDataMarker, 16);
  image.BuildCursor = kDataOffset;
  image.PutU32(92, kDataOffset);

  config.Abort = false;
  TConfig cfg(image);
  cfg.StartWrite(kDataOffset, kWriteLimit);
  controller.SaveToImage(cfg);
  if (cfg.Overflow()) {
    config.Messages().Error("Конфигурация не помещается в образ размером 1 МБ.");
    config.Abort = true;
  }
  // An unchecked build writes what the tree holds whatever the checks say; only an image
  // that does not fit stops it.
  if (!checked && !cfg.Overflow()) config.Abort = false;
  if (config.Abort) {
    config.Messages().Error("Сохранение прервано.");
    image.TotalSize = 0;
    image.SetValidSize(0);
    return false;
  }

  const std::size_t end = cfg.Cursor();
  image.BuildCursor = end;
  const std::size_t padded = end + 16 - end % 16;
  const std::size_t total = padded + 16;
  PutText(image, 16, Format("Size:%-7d", static_cast<int>(total)), 12);
  image.PutU32(28, static_cast<std::uint32_t>(total));
  ImageChecksum(image, total, true);
  image.TotalSize = total;
  image.SetValidSize(total);
  return true;
}

}  // namespace

bool BuildImage(Configuration& config, ConfigImage& image, const std::string& configFileName,
                const std::string& deviceFileName, const BuildTime& when) {
  return Build(config, image, configFileName, deviceFileName, when, true);
}

bool BuildImageUnchecked(Configuration& config, ConfigImage& image) {
  config.Snapshotting = true;
  const bool built = Build(config, image, std::string(), std::string(), BuildTime(), false);
  config.Snapshotting = false;
  return built;
}

bool OpenConfigFile(Configuration& config, ConfigImage& image, const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const ReadResult result = ReadFileLimited(path, kImageCapacity, bytes);
  switch (result) {
    case ReadResult::TooLarge:
      config.Messages().Error("Файл " + path + " слишком велик для файла конфигурации.");
      return false;
    case ReadResult::Ok:
      break;
    default:
      config.Messages().Error(DescribeReadFailure(result, path));
      return false;
  }
  image.Assign(bytes);
  if (!LoadImage(config, image, BaseFileName(path))) return false;
  config.Controller().SelectModelRecord();  // the identity of the loaded model
  return true;
}

bool LoadImage(Configuration& config, ConfigImage& image, const std::string& fileName) {
  IMessages& messages = config.Messages();
  const std::size_t valid = image.ValidSize();
  const std::uint8_t* d = image.Data();

  if (valid < 14 || (std::memcmp(d, kSignVilk, 14) != 0 && std::memcmp(d, kSignTamor, 14) != 0)) {
    messages.Error("Ошибка сигнатуры файла \"" + Truncate(fileName, 12) + "\"\r\n" +
                   SignatureBytes(image, std::min<std::size_t>(valid, 14)));
    return false;
  }
  if (valid < 16 || !IsModelSupported(d[15])) {
    messages.Error("Ошибка типа контроллера");
    return false;
  }
  // The sizes in the header are checked before anything trusts them.
  const std::size_t total = valid >= 32 ? image.U32(28) : 0;
  if (total < kMinImageSize || total > valid) {
    messages.Error(std::string(kCorruptedMessage) +
                   Format(": размер образа %d при прочитанных %d байтах.", static_cast<int>(total),
                          static_cast<int>(valid)));
    return false;
  }
  if (!ImageChecksum(image, total, false)) {
    messages.Error("Ошибка контрольной суммы FLASH");
    return false;
  }
  const std::size_t dataOffset = image.U32(92);
  const std::size_t limit = total - 2;
  if (dataOffset < kDataOffset || dataOffset > limit) {
    messages.Error(std::string(kCorruptedMessage) + ": неверное смещение данных.");
    return false;
  }
  const std::string fault = ValidateRecordStream(image, dataOffset, limit);
  if (!fault.empty()) {
    messages.Error(std::string(kCorruptedMessage) + ": " + fault + ".");
    return false;
  }
  // The data begins with the processor board: anything else is no configuration at all
  // (and would load as a default controller without a word).
  if (limit - dataOffset < 8 || image.U16(dataOffset) != kBlockTag ||
      image.U16(dataOffset + 2) != 0) {
    messages.Error(std::string(kCorruptedMessage) + ": нет блока процессорной платы.");
    return false;
  }
  image.LoadedDataOffset = dataOffset;

  // Read into a fresh configuration; the current one is replaced only at the end.
  Configuration staging(messages);
  TController& fresh = staging.Controller();
  fresh.Record = config.Controller().Record;
  fresh.SetDefaults();
  fresh.SetModel(d[15]);
  TConfig cfg(image);
  cfg.StartRead(dataOffset, limit);
  fresh.LoadFromImage(cfg);
  if (!staging.LoadFault.empty()) {
    messages.Error(std::string(kCorruptedMessage) + ": " + staging.LoadFault + ".");
    return false;
  }
  config.TakeTreeFrom(staging);
  messages.Beep();
  return true;
}

}  // namespace vilk
