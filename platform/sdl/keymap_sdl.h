// SDL key codes to virtual-key codes, for the SDL window layer.
#pragma once

#include <cstdint>

// The virtual-key code (below 256) of an SDL key code, or -1 for a key that
// has none; such a key is dropped and never reaches the key table.
int virtualKeyFromSdl(int32_t sdlKeycode);

// Whether a key event counts as a system key (Alt held, or Alt or F10
// itself): those arrive as system-key messages, which the show does not
// record. `sdlModifiers` is the event's modifier state.
bool isSystemKey(int virtualKey, uint16_t sdlModifiers);
