// Checks that both audio back-ends' tests make alike.
#pragma once

#include "platform/audio.h"

// Expects every stream call on `bad` to fail with kAudioErrorHandle.
void expectHandleRefused(AudioStream bad);
