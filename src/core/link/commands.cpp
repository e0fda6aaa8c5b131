#include "link/commands.h"

#include <filesystem>

#include "base/files.h"
#include "base/format.h"
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

namespace {
std::string JoinList(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : ", ") + s;
  return out;
}
}  // namespace

std::string ModelConversionNote(const TController& controller, const ModelRecord& identity) {
  if (identity.TypeCode == controller.TypeCode) return {};
  const ControllerDescription* desc = FindDescription(identity.TypeCode);
  if (!desc) return {};  // a type the configuration cannot take is refused before the question
  std::string note =
      Format("Конфигурация %s будет преобразована для контроллера %s %s.\r",
             controller.Desc.DisplayName, desc->DisplayName, identity.VersionLabel());
  const TController::ModelConversion c = controller.ConversionTo(identity.TypeCode);
  if (!c.RemovedBoards.empty())
    note += Format("Будут удалены платы (%d): %s.\r", static_cast<int>(c.RemovedBoards.size()),
                   JoinList(c.RemovedBoards));
  if (!c.UnlinkedPorts.empty())
    note += "Останутся без платы порты: " + JoinList(c.UnlinkedPorts) + ".\r";
  if (c.AddedBoards > 0) note += Format("Будут добавлены платы: %d.\r", c.AddedBoards);
  return note + "\r";
}

bool PrepareWriteConfiguration(Configuration& config, ConfigImage& image,
                               const LocateResult& located, const std::string& configFileName,
                               WritePlan* plan) {
  TController& controller = config.Controller();
  if (plan) {
    *plan = WritePlan{};
    plan->QuestionNote = ModelConversionNote(controller, located.Identity);
    if (!plan->QuestionNote.empty()) {
      // The tree as it is, without the save checks and their boxes (the real build below
      // shows them): it is only read back by RestoreBeforeWrite.
      auto before = std::make_unique<ConfigImage>();
      SilentMessages quiet;
      IMessages& shown = config.Messages();
      config.SetMessages(quiet);
      const bool kept = BuildImageUnchecked(config, *before);
      config.SetMessages(shown);
      if (kept) {
        plan->Before = std::move(before);
        plan->PreviousRecord = controller.Record;
        plan->PreviousType = controller.TypeCode;
      }
    }
  }
  ApplyIdentity(controller, located.Identity);
  if (plan) plan->Converted = plan->Before != nullptr;
  if (!controller.IsModelSupported(located.Identity.TypeCode)) {
    config.Messages().Error("Не совместимый тип контроллера");
    return false;
  }
  return BuildImage(config, image, configFileName, located.FileName);
}

void RestoreBeforeWrite(Configuration& config, WritePlan& plan) {
  if (!plan.Converted || !plan.Before) return;
  TController& controller = config.Controller();
  // LoadImage hands the controller's record to the tree it reads.
  controller.Record = plan.PreviousRecord;
  if (LoadImage(config, *plan.Before, kConfigurationFile)) config.Controller().ApplyModel();
  plan.Converted = false;
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
  WritePlan plan;
  if (!PrepareWriteConfiguration(config, image, located, configFileName, &plan)) {
    RestoreBeforeWrite(config, plan);
    return false;
  }
  if (!session.WriteControllerFile(std::span<const std::uint8_t>(image.Data(), image.TotalSize),
                                   located.FileName, plan.QuestionNote)) {
    RestoreBeforeWrite(config, plan);
    return false;
  }
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
