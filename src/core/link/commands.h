#pragma once
// The user's device commands as a whole: the link steps of DeviceSession joined with the
// configuration steps (apply the identity, build or load the image, local files).
//
// The window runs the link steps on its worker thread and the configuration steps on the
// UI thread, in this order:
//   read configuration:  LocateConfiguration, ReadControllerFile  | FinishReadConfiguration
//   write configuration: LocateConfiguration | PrepareWriteConfiguration | WriteControllerFile
// The command-line tool runs the whole functions below on one thread.
#include <memory>
#include <string>
#include <vector>

#include "link/device.h"
#include "model/configuration.h"
#include "model/image.h"

namespace vilk {

class TController;

// Step 10 of locating: the controller item takes the identity record, and the model of the
// identified type when it differs from the configured one.
void ApplyIdentity(TController& controller, const ModelRecord& identity);

// Loads a configuration read from the controller. The current configuration (and its
// identity record) changes only when the image loads completely.
bool FinishReadConfiguration(Configuration& config, ConfigImage& image, const ModelRecord& identity,
                             const std::vector<std::uint8_t>& data);

// The lines the write question begins with when the controller is of another model than
// the configuration: what the configuration is converted to and what it loses. Empty when
// the models agree.
std::string ModelConversionNote(const TController& controller, const ModelRecord& identity);

// A write that converts the configuration to the controller's model keeps what it was
// before, so that a write that does not go through (the question answered "Нет", a lost
// link) leaves the configuration as the user had it.
struct WritePlan {
  std::string QuestionNote;  // ModelConversionNote, put before "Записать в RTU"
  bool Converted = false;
  ModelRecord PreviousRecord;
  std::uint8_t PreviousType = 0;
  std::unique_ptr<ConfigImage> Before;
};

// Applies the identity, checks the type and builds the image; false when the write must
// stop (the messages have been shown). The image is then image.Data()[0 .. TotalSize).
// With `plan`, a model change is noted there and can be taken back (RestoreBeforeWrite).
bool PrepareWriteConfiguration(Configuration& config, ConfigImage& image,
                               const LocateResult& located, const std::string& configFileName,
                               WritePlan* plan = nullptr);
// Takes back the conversion of a write that did not go through; nothing when there was none.
void RestoreBeforeWrite(Configuration& config, WritePlan& plan);

// "Прочитать настройку": false when nothing was loaded. `raw`, when given, receives the
// file as the controller holds it.
bool ReadConfiguration(DeviceSession& session, Configuration& config, ConfigImage& image,
                       std::vector<std::uint8_t>* raw = nullptr);
// "Записать настройку".
bool WriteConfiguration(DeviceSession& session, Configuration& config, ConfigImage& image,
                        const std::string& configFileName);
// The "Определить тип" button: identify and apply the identity and model.
bool DetermineType(DeviceSession& session, TController& controller);

// Loads a local file for a transfer; refuses (with a message) a file that cannot be read
// or does not fit the transfer buffer, before anything is sent.
bool LoadLocalFile(IMessages& messages, const std::string& path, std::vector<std::uint8_t>& out);
// The controller name of a program file: the local name without folder, cut to 12 characters.
std::string ProgramFileName(const std::string& localPath);

// "Записать программу", "Записать файл паролей", "Записать файл автоматики": the local file
// written to the controller under `controllerName`.
bool WriteLocalFile(DeviceSession& session, const std::string& localPath,
                    const std::string& controllerName);
// "Прочитать файл автоматики" and the like: the local file is replaced only when the whole
// controller file has arrived; a failed read leaves it as it was.
bool ReadToLocalFile(DeviceSession& session, const std::string& controllerName,
                     const std::string& localPath);

}  // namespace vilk
