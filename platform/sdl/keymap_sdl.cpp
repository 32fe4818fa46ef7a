#include "platform/sdl/keymap_sdl.h"

#include <SDL2/SDL.h>

#include "platform/keys.h"

namespace {
struct KeyPair {
  SDL_Keycode sdl;
  int virtualKey;
};

// Keys whose virtual-key code does not follow from a character range.
constexpr KeyPair kNamedKeys[] = {
    {SDLK_BACKSPACE, kVkBackspace},   {SDLK_TAB, kVkTab},
    {SDLK_RETURN, kVkReturn},         {SDLK_RETURN2, kVkReturn},
    {SDLK_KP_ENTER, kVkReturn},       {SDLK_LSHIFT, kVkShift},
    {SDLK_RSHIFT, kVkShift},          {SDLK_LCTRL, kVkControl},
    {SDLK_RCTRL, kVkControl},         {SDLK_LALT, kVkAlt},
    {SDLK_RALT, kVkAlt},              {SDLK_PAUSE, kVkPause},
    {SDLK_CAPSLOCK, kVkCapsLock},     {SDLK_ESCAPE, kVkEscape},
    {SDLK_SPACE, kVkSpace},           {SDLK_PAGEUP, kVkPageUp},
    {SDLK_PAGEDOWN, kVkPageDown},     {SDLK_END, kVkEnd},
    {SDLK_HOME, kVkHome},             {SDLK_LEFT, kVkLeft},
    {SDLK_UP, kVkUp},                 {SDLK_RIGHT, kVkRight},
    {SDLK_DOWN, kVkDown},             {SDLK_PRINTSCREEN, kVkPrintScreen},
    {SDLK_INSERT, kVkInsert},         {SDLK_DELETE, kVkDelete},
    {SDLK_LGUI, kVkLeftMeta},         {SDLK_RGUI, kVkRightMeta},
    {SDLK_APPLICATION, kVkApplication}, {SDLK_KP_0, kVkNumpad0},
    {SDLK_KP_1, kVkNumpad0 + 1},      {SDLK_KP_2, kVkNumpad0 + 2},
    {SDLK_KP_3, kVkNumpad0 + 3},      {SDLK_KP_4, kVkNumpad0 + 4},
    {SDLK_KP_5, kVkNumpad0 + 5},      {SDLK_KP_6, kVkNumpad0 + 6},
    {SDLK_KP_7, kVkNumpad0 + 7},      {SDLK_KP_8, kVkNumpad0 + 8},
    {SDLK_KP_9, kVkNumpad0 + 9},      {SDLK_KP_MULTIPLY, kVkMultiply},
    {SDLK_KP_PLUS, kVkAdd},           {SDLK_KP_MINUS, kVkSubtract},
    {SDLK_KP_PERIOD, kVkDecimal},     {SDLK_KP_DIVIDE, kVkDivide},
    {SDLK_NUMLOCKCLEAR, kVkNumLock},  {SDLK_SCROLLLOCK, kVkScrollLock},
    {SDLK_SEMICOLON, kVkSemicolon},   {SDLK_EQUALS, kVkEquals},
    {SDLK_COMMA, kVkComma},           {SDLK_MINUS, kVkMinus},
    {SDLK_PERIOD, kVkPeriod},         {SDLK_SLASH, kVkSlash},
    {SDLK_BACKQUOTE, kVkBackquote},   {SDLK_LEFTBRACKET, kVkLeftBracket},
    {SDLK_BACKSLASH, kVkBackslash},   {SDLK_RIGHTBRACKET, kVkRightBracket},
    {SDLK_QUOTE, kVkQuote},
};

// F1 to F12 and F13 to F24 are two separate runs of SDL codes.
constexpr int kFirstRunKeys = 12;
constexpr int kSecondRunKeys = 12;
}  // namespace

int virtualKeyFromSdl(int32_t sdlKeycode) {
  if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) return kVkA + (sdlKeycode - SDLK_a);
  if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) return kVk0 + (sdlKeycode - SDLK_0);
  if (sdlKeycode >= SDLK_F1 && sdlKeycode < SDLK_F1 + kFirstRunKeys)
    return kVkF1 + (sdlKeycode - SDLK_F1);
  if (sdlKeycode >= SDLK_F13 && sdlKeycode < SDLK_F13 + kSecondRunKeys)
    return kVkF1 + kFirstRunKeys + (sdlKeycode - SDLK_F13);
  for (const KeyPair& pair : kNamedKeys)
    if (pair.sdl == sdlKeycode) return pair.virtualKey;
  return -1;
}

bool isSystemKey(int virtualKey, uint16_t sdlModifiers) {
  return virtualKey == kVkAlt || virtualKey == kVkF10 || (sdlModifiers & KMOD_ALT) != 0;
}
