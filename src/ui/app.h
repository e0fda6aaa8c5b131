#pragma once

namespace vilk::ui {

// The configurator's main(): options --home DIR, --screenshot OUT.png [FILE.cfg]
// [--select CAPTION].
int RunApplication(int argc, char** argv);

}  // namespace vilk::ui
