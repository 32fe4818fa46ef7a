// The tables every GL back-end shares, all generated from the one list of
// calls in gfx.h: straight to GL, drawing nothing, keeping state only; the
// table in use; and the state the wrappers keep. Each back-end supplies the
// GL functions themselves (libGL on the desktop, the browser's own) and
// gfxDrawStrips.
#include "gfx/gfx.h"

namespace {
template <typename... Arguments>
void ignore(const Arguments&...) {}

constexpr int kCarriedCaps = sizeof kGfxCarriedCaps / sizeof kGfxCarriedCaps[0];

constexpr GfxCalls kDirect = {
#define VANTOREL_GFX_DIRECT(Name, member, function, parameters, arguments, kept, recorded) \
  .member = function,
    VANTOREL_GFX_CALLS(VANTOREL_GFX_DIRECT)
#undef VANTOREL_GFX_DIRECT
};

constexpr GfxCalls kDiscard = {
#define VANTOREL_GFX_DISCARD(Name, member, function, parameters, arguments, kept, recorded) \
  .member = [] parameters { ignore arguments; },
    VANTOREL_GFX_CALLS(VANTOREL_GFX_DISCARD)
#undef VANTOREL_GFX_DISCARD
};

constexpr GfxCalls kStateOnly = {
#define VANTOREL_GFX_STATE_ONLY(Name, member, function, parameters, arguments, kept, recorded) \
  .member = kept ? kDirect.member : kDiscard.member,
    VANTOREL_GFX_CALLS(VANTOREL_GFX_STATE_ONLY)
#undef VANTOREL_GFX_STATE_ONLY
};

}  // namespace

constinit const GfxCalls gfxDirect = kDirect;
constinit const GfxCalls gfxDiscard = kDiscard;
constinit const GfxCalls gfxStateOnly = kStateOnly;
const GfxCalls* gfx = &gfxDirect;

GfxState gfxState = {};

void gfxNoteCap(GLenum cap, bool on) {
  for (int k = 0; k < kCarriedCaps; ++k) {
    if (kGfxCarriedCaps[k] != cap) continue;
    if (on) {
      gfxState.enabled |= 1u << k;
    } else {
      gfxState.enabled &= ~(1u << k);
    }
  }
}

void resetGfxState() { gfxState = GfxState{}; }

void putGfxStateBack(const GfxState& state) {
  for (int k = 0; k < kCarriedCaps; ++k) {
    if (state.enabled & (1u << k)) {
      gfxEnable(kGfxCarriedCaps[k]);
    } else {
      gfxDisable(kGfxCarriedCaps[k]);
    }
  }
}
