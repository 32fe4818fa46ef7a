#include "timeline/cues.h"

#include "effects/mesh.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"

int32_t cueArmed[kOneShotCues] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
CueSetters cueSetters = {setMeshMode, setRibbonMode, setSwarmState};

namespace {
enum class CueKind { None, Once, EveryFrame, End };

enum class Effect { Nothing, Mesh, Ribbons, Swarm };

struct CueCall {
  Effect effect;
  int32_t code;
};

// The cue of one scene-chain window: its kind, its one-shot flag (for Once),
// and up to two calls made in order.
struct Cue {
  CueKind kind;
  int armedFlag;
  CueCall calls[2];
};

constexpr int kNoFlag = -1;

// Indexed by chain window number - 1.
const Cue kCues[kChainWindows] = {
    {CueKind::None, kNoFlag, {}},                                   // 1
    {CueKind::Once, 0, {{Effect::Mesh, 2}, {Effect::Swarm, 8}}},    // 2
    {CueKind::None, kNoFlag, {}},                                   // 3
    {CueKind::None, kNoFlag, {}},                                   // 4
    {CueKind::Once, 1, {{Effect::Mesh, 1}, {Effect::Swarm, 8}}},    // 5
    {CueKind::None, kNoFlag, {}},                                   // 6
    {CueKind::Once, 2, {{Effect::Ribbons, 4}}},                     // 7
    {CueKind::Once, 3, {{Effect::Mesh, 6}}},                        // 8
    {CueKind::Once, 4, {{Effect::Ribbons, 0}, {Effect::Mesh, 5}}},  // 9
    {CueKind::Once, 5, {{Effect::Ribbons, 3}}},                     // 10
    {CueKind::Once, 6, {{Effect::Mesh, 8}}},                        // 11
    {CueKind::Once, 7, {{Effect::Ribbons, 0}, {Effect::Mesh, 5}}},  // 12
    {CueKind::Once, 8, {{Effect::Ribbons, 2}}},                     // 13
    {CueKind::Once, 9, {{Effect::Mesh, 3}}},                        // 14
    {CueKind::Once, 10, {{Effect::Ribbons, 1}}},                    // 15
    {CueKind::None, kNoFlag, {}},                                   // 16
    {CueKind::EveryFrame, kNoFlag, {{Effect::Mesh, 1}}},            // 17
    {CueKind::EveryFrame, kNoFlag, {{Effect::Ribbons, 0}}},         // 18
    {CueKind::EveryFrame, kNoFlag, {{Effect::Mesh, 10}}},           // 19
    {CueKind::EveryFrame, kNoFlag, {{Effect::Mesh, 11}}},           // 20
    {CueKind::Once, 11, {{Effect::Mesh, 2}}},                       // 21
    {CueKind::Once, 12, {{Effect::Mesh, 4}}},                       // 22
    {CueKind::End, kNoFlag, {}},                                    // 23
};

void makeCalls(const Cue& cue) {
  for (const CueCall& call : cue.calls) {
    switch (call.effect) {
      case Effect::Mesh:
        cueSetters.meshMode(call.code);
        break;
      case Effect::Ribbons:
        cueSetters.ribbonMode(call.code);
        break;
      case Effect::Swarm:
        cueSetters.swarmState(call.code);
        break;
      case Effect::Nothing:
        break;
    }
  }
}
}  // namespace

int applyCues(int chainWindow) {
  if (chainWindow < 1 || chainWindow > kChainWindows) return 1;
  const Cue& cue = kCues[chainWindow - 1];
  switch (cue.kind) {
    case CueKind::Once:
      if (cueArmed[cue.armedFlag]) {
        makeCalls(cue);
        cueArmed[cue.armedFlag] = 0;
      }
      break;
    case CueKind::EveryFrame:
      makeCalls(cue);
      break;
    case CueKind::End:
      return 0;
    case CueKind::None:
      break;
  }
  return 1;
}
