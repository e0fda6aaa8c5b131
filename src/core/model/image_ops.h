#pragma once
// Tree -> image and image -> tree.
#include <string>

#include "model/configuration.h"
#include "model/image.h"

namespace vilk {

// Local time of a build, for the Date and Time rows.
struct BuildTime {
  int Day = 1, Month = 1, Year = 2026, Hour = 0, Minute = 0, Second = 0;
  static BuildTime Now();
};

// Builds the image of `config` into `image`. The File row holds the configuration file
// name when there is one, else the device file name. Returns false when a check aborted
// the build ("Сохранение прервано." has been shown); the buffer is then not usable.
bool BuildImage(Configuration& config, ConfigImage& image, const std::string& configFileName,
                const std::string& deviceFileName, const BuildTime& when = BuildTime::Now());

// The image of what the tree holds, without the save checks (an undo step of a configuration
// that is not yet fit to save). Fails only when it does not fit; messages are the caller's.
bool BuildImageUnchecked(Configuration& config, ConfigImage& image);

// Loads the image at the start of `image` (its valid size says how many bytes were read)
// into `config`. Checks come first and the tree is read into a fresh configuration, so
// that a refused or damaged image leaves `config` exactly as it was. `fileName` is the
// name shown in the signature message.
bool LoadImage(Configuration& config, ConfigImage& image, const std::string& fileName);

// Opens a `.cfg` file: reads it (files of 1,048,577 bytes or more are refused), loads it
// into `config` as LoadImage does and takes the loaded model's identity. Every failure
// is shown through the configuration's messages; `config` is then unchanged.
bool OpenConfigFile(Configuration& config, ConfigImage& image, const std::string& path);

// The configuration file name without its folder (either kind of separator).
std::string BaseFileName(const std::string& path);

inline const char kCorruptedMessage[] = "Файл конфигурации повреждён";

}  // namespace vilk
