#include "timeline/cues.h"

#include <cstddef>

#include "effects/mesh.h"
#include "effects/ribbons.h"
#include "effects/swarm.h"

constinit CueState cues;

void resetCues() { cues = CueState{}; }

CueSetters cueSetters = {setMeshMode, setRibbonMode, setSwarmState};

namespace {
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

int applyCues(int scene) {
  if (scene < 0 || scene >= kSceneCount) return 1;
  const Scene& s = playedMoments().scenes[scene];
  switch (s.cue.kind) {
    case CueKind::Once: {
      int32_t& armed = cues.cueArmed[static_cast<std::size_t>(scene)];
      if (armed) {
        makeCalls(s.cue);
        armed = 0;
      }
      break;
    }
    case CueKind::EveryFrame:
      makeCalls(s.cue);
      break;
    case CueKind::None:
      break;
  }
  return s.endsShow ? 0 : 1;
}
