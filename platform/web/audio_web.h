// Extras of the browser's audio back-end (audio_web.cpp).
#pragma once

#include <cstdint>

#include "platform/audio.h"

// From now on the layer plays no sound and needs no Web Audio: every stream
// stands wherever audioSetPosition puts it, as the offline back-end's do. For
// the page's test mode, which draws chosen frames at exact music times.
// Called before audioStartDevice.
void audioWebUseManualClock();

// Decodes the file now, while the page waits for the viewer, so that opening
// it later (from audioOpenFile, after the start click) takes no time. What a
// later open of the same name finds is this decode, or its failure.
void audioWebPrepare(const char* file);
