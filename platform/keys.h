// Virtual-key codes: the numbers the key table is indexed by. They are the
// classic desktop codes, fixed so that the table's entries keep their meaning
// on every platform (27 is Escape wherever the show runs).
#pragma once

#include <cstdint>

enum VirtualKey : int {
  kVkBackspace = 8,
  kVkTab = 9,
  kVkReturn = 13,
  kVkShift = 16,
  kVkControl = 17,
  kVkAlt = 18,
  kVkPause = 19,
  kVkCapsLock = 20,
  kVkEscape = 27,
  kVkSpace = 32,
  kVkPageUp = 33,
  kVkPageDown = 34,
  kVkEnd = 35,
  kVkHome = 36,
  kVkLeft = 37,
  kVkUp = 38,
  kVkRight = 39,
  kVkDown = 40,
  kVkPrintScreen = 44,
  kVkInsert = 45,
  kVkDelete = 46,
  kVk0 = 48,  // through kVk0 + 9
  kVkA = 65,  // through kVkA + 25
  kVkP = 80,
  kVkQ = 81,
  kVkLeftMeta = 91,
  kVkRightMeta = 92,
  kVkApplication = 93,
  kVkNumpad0 = 96,  // through kVkNumpad0 + 9
  kVkMultiply = 106,
  kVkAdd = 107,
  kVkSubtract = 109,
  kVkDecimal = 110,
  kVkDivide = 111,
  kVkF1 = 112,  // through kVkF1 + 23 (F24)
  kVkF10 = 121,
  kVkNumLock = 144,
  kVkScrollLock = 145,
  kVkSemicolon = 186,
  kVkEquals = 187,
  kVkComma = 188,
  kVkMinus = 189,
  kVkPeriod = 190,
  kVkSlash = 191,
  kVkBackquote = 192,
  kVkLeftBracket = 219,
  kVkBackslash = 220,
  kVkRightBracket = 221,
  kVkQuote = 222,
};

// Size of the key table: every code lies below it.
constexpr int kKeyTableSize = 256;

// Entry k is 1 while the key with virtual-key code k is down. Written only by
// the window procedure (app/window.cpp) as key messages arrive; read by the
// main loop (the quit and toggle keys) and by the music clock (Space).
extern int32_t keys[kKeyTableSize];
