#pragma once
// FrameTitle, for the frames that include it from here; it lives in widgets.h.
#include "widgets.h"
