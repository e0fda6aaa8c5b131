#include "link/commands.h"

#include <filesystem>

#include "base/files.h"
#include "base/text.h"
#include "controller/controller.h"
#include "model/image_ops.h"

namespace vilk {

void ApplyIdentity(TController& controller, const ModelRecord& identity) {
  controller.Record = identity;
  if (controller.TypeCode != identity.TypeCode) {
    controller.TypeCode = identity.TypeCode;
    controller.ApplyModel();
  }
}

bool FinishReadConfiguration(Configuration& config, ConfigImage& image, const ModelRecord& identity,
                             const std::vector<std::uint8_t>& data) {
  TController& controller = config.Controller();
  const ModelRecord previous = controller.Record;
  // LoadImage hands the controller's record to the loaded tree.
  controller.Record = identity;
  image.Assign(data);
  if (LoadImage(config, image, kConfigurationFile)) return true;
  config.Controller().Record = previous;
  return false;
}

bool PrepareWriteConfiguration(Configuration& config, ConfigImage& image,
                               const LocateResult& located, const std::string& configFileName) {
  TController& controller = config.Controller();
  ApplyIdentity(controller, located.Identity);
  if (!controller.IsModelSupported(located.Identity.TypeCode)) {
    config.Messages().Error("Не совместимый тип контроллера");
    return false;
  }
  return BuildImage(config, image, configFileName, located.FileName);
}

bool ReadConfiguration(DeviceSession& session, Configuration& config, ConfigImage& image,
                       std::vector<std::uint8_t>* raw) {
  const LocateResult located = session.LocateConfiguration();
  if (!located.Found()) return false;
  std::vector<std::uint8_t> data;
  if (!session.ReadControllerFile(located.FileName, data)) return false;
  if (!FinishReadConfiguration(config, image, located.Identity, data)) return false;
  if (raw) *raw = std::move(data);
  return true;
}

bool WriteConfiguration(DeviceSession& session, Configuration& config, ConfigImage& image,
                        const std::string& configFileName) {
  const LocateResult located = session.LocateConfiguration();
  if (!located.Found()) return false;
  if (!PrepareWriteConfiguration(config, image, located, configFileName)) return false;
  if (!session.WriteControllerFile(std::span<const std::uint8_t>(image.Data(), image.TotalSize),
                                   located.FileName))
    return false;
  config.Messages().Beep();
  return true;
}

bool DetermineType(DeviceSession& session, TController& controller) {
  const LocateResult located = session.LocateConfiguration();
  if (!located.Found()) return false;
  ApplyIdentity(controller, located.Identity);
  controller.ApplyModel();
  return true;
}

bool LoadLocalFile(IMessages& messages, const std::string& path, std::vector<std::uint8_t>& out) {
  switch (const ReadResult r = ReadFileLimited(path, kMaxTransferSize + 1, out)) {
    case ReadResult::Ok:
      return true;
    case ReadResult::TooLarge: {
      std::error_code ec;
      messages.Error(TooLargeMessage(BaseFileName(path), std::filesystem::file_size(path, ec)));
      return false;
    }
    default:
      messages.Error(DescribeReadFailure(r, path));
      return false;
  }
}

std::string ProgramFileName(const std::string& localPath) {
  return Truncate(BaseFileName(localPath), kFileNameChars);
}

bool WriteLocalFile(DeviceSession& session, const std::string& localPath,
                    const std::string& controllerName) {
  std::vector<std::uint8_t> data;
  if (!LoadLocalFile(session.Protocol().Messages(), localPath, data)) return false;
  if (!session.WriteControllerFile(data, controllerName)) return false;
  session.Protocol().Messages().Beep();
  return true;
}

bool ReadToLocalFile(DeviceSession& session, const std::string& controllerName,
                     const std::string& localPath) {
  std::vector<std::uint8_t> data;
  if (!session.ReadControllerFile(controllerName, data)) return false;
  std::string error;
  if (!WriteFileAtomic(localPath, data.data(), data.size(), &error)) {
    session.Protocol().Messages().Error("Ошибка записи файла " + localPath + ": " + error);
    return false;
  }
  session.Protocol().Messages().Beep();
  return true;
}

}  // namespace vilk
