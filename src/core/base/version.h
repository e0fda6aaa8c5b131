#pragma once
// The program's version, taken from the build ("14.6.1"): the about box, `vilk --version`
// and `vilkcfg --version` all show this one text.
namespace vilk {

const char* ProgramVersion();

}  // namespace vilk
