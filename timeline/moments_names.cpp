#include "timeline/moments_names.h"

#include <cctype>
#include <cstring>

#define NAMED(constant) {#constant, constant}

const NamedValue kMomentNamed[] = {
#define MOMENT(m) {kMomentNames[static_cast<int>(Moment::m)], static_cast<int32_t>(Moment::m)}
    MOMENT(TurnAway),      MOMENT(TurnBack),        MOMENT(WideTurnAway),
    MOMENT(WideTurnBack),  MOMENT(QuarterTurn),     MOMENT(QuarterTurnBack),
    MOMENT(SecondQuarterTurn), MOMENT(SecondQuarterTurnBack), MOMENT(ShowTitle),
    MOMENT(CodeCredits),   MOMENT(MusicCredits),    MOMENT(ClosingLine),
    MOMENT(Opening),       MOMENT(FirstDrop),       MOMENT(Credits),
    MOMENT(CreditsEnd),    MOMENT(SecondDrop),      MOMENT(Break),
    MOMENT(SquareRibbons), MOMENT(MorphToCube),     MOMENT(MorphBack),
    MOMENT(SpectrumRibbons), MOMENT(Pulse),         MOMENT(SecondMorphBack),
    MOMENT(WaveRibbons),   MOMENT(Wobble),          MOMENT(CardFlash),
    MOMENT(Breakdown),     MOMENT(ThirdDrop),       MOMENT(RibbonsGone),
    MOMENT(Bounce),        MOMENT(BounceEnds),      MOMENT(BuildUp),
    MOMENT(Finale),        MOMENT(End),
#undef MOMENT
};
const int kMomentNamedCount = sizeof kMomentNamed / sizeof kMomentNamed[0];
static_assert(sizeof kMomentNamed / sizeof kMomentNamed[0] == static_cast<int>(Moment::End) + 1,
              "every moment by its name");

#define SLOTS                                                                                   \
  NAMED(kSlotParticle), NAMED(kSlotSpare), NAMED(kSlotGlobe), NAMED(kSlotNightWall),            \
      NAMED(kSlotMoonSkin), NAMED(kSlotBallSkin), NAMED(kSlotStripeWall),                       \
      NAMED(kSlotCircuitWall), NAMED(kSlotRingWall), NAMED(kSlotEmblemCard),                    \
      NAMED(kSlotPanelCube), NAMED(kSlotEmberSkin), NAMED(kSlotFlashCard),                      \
      NAMED(kSlotTitleBanner), NAMED(kSlotCodeBanner), NAMED(kSlotClosingBanner),               \
      NAMED(kSlotMusicBanner), NAMED(kSlotSunsetWall), NAMED(kSlotSpaceWall), NAMED(kSlotEmpty)
const NamedValue kSlotNamed[] = {SLOTS};
const int kSlotNamedCount = sizeof kSlotNamed / sizeof kSlotNamed[0];
static_assert(sizeof kSlotNamed / sizeof kSlotNamed[0] == kSlotEmpty + 1, "every slot by its name");
const NamedValue kBackdropNamed[] = {NAMED(kKeepBackdrop), SLOTS};
const int kBackdropNamedCount = sizeof kBackdropNamed / sizeof kBackdropNamed[0];
#undef SLOTS

const NamedValue kDirectionNamed[] = {NAMED(kTurnAway), NAMED(kTurnBack)};
const int kDirectionNamedCount = 2;
const NamedValue kCardNamed[] = {{"Hidden", static_cast<int32_t>(Card::Hidden)},
                                 {"Wobbling", static_cast<int32_t>(Card::Wobbling)},
                                 {"Level", static_cast<int32_t>(Card::Level)}};
const int kCardNamedCount = 3;
const NamedValue kSlideNamed[] = {NAMED(kNoSlide), NAMED(kSlideRight), NAMED(kSlideLeft)};
const int kSlideNamedCount = 3;

namespace {
const NamedValue kMeshNamed[] = {
    NAMED(kMeshReveal),         NAMED(kMeshSphere),          NAMED(kMeshCube),
    NAMED(kMeshWobbleSphere),   NAMED(kMeshWobbleCube),      NAMED(kMeshMorphToSphere),
    NAMED(kMeshMorphToCube),    NAMED(kMeshWobbleSnapshot),  NAMED(kMeshPulse),
    NAMED(kMeshMorphToSnapshot), NAMED(kMeshSatelliteBounce), NAMED(kMeshSatelliteSettle),
};
static_assert(sizeof kMeshNamed / sizeof kMeshNamed[0] == kMeshModeCount, "every mesh mode");
const NamedValue kRibbonNamed[] = {NAMED(kRibbonHidden), NAMED(kRibbonTrail), NAMED(kRibbonWave),
                                   NAMED(kRibbonSpectrum), NAMED(kRibbonSquare)};
const NamedValue kSwarmNamed[] = {NAMED(kSpriteFlight), NAMED(kSpriteRespawn), NAMED(kSpriteRest)};

// Each effect's setter as a cue names it, with the names of its codes.
struct EffectWords {
  Effect effect;
  const char* setter;
  const NamedValue* codes;
  int count;
};
const EffectWords kEffectWords[] = {
    {Effect::Mesh, "meshTo", kMeshNamed, sizeof kMeshNamed / sizeof kMeshNamed[0]},
    {Effect::Ribbons, "ribbonsTo", kRibbonNamed, sizeof kRibbonNamed / sizeof kRibbonNamed[0]},
    {Effect::Swarm, "swarmTo", kSwarmNamed, sizeof kSwarmNamed / sizeof kSwarmNamed[0]},
};

// A little reader over the cue's text: words, punctuation, spaces between.
struct CueReader {
  const char* text;
  int at = 0;
  CueParseError* error;

  void skipSpaces() {
    while (text[at] == ' ' || text[at] == '\t') ++at;
  }
  std::string word() {
    skipSpaces();
    const int from = at;
    while (std::isalnum(static_cast<unsigned char>(text[at])) || text[at] == '_') ++at;
    return std::string(text + from, static_cast<size_t>(at - from));
  }
  bool take(char c) {
    skipSpaces();
    if (text[at] != c) return false;
    ++at;
    return true;
  }
  int fault(int offset, const char* reason) {
    error->offset = offset;
    error->reason = reason;
    return 0;
  }
  int call(CueCall* out) {
    const int from = (skipSpaces(), at);
    const std::string setter = word();
    const EffectWords* effect = nullptr;
    for (const EffectWords& words : kEffectWords) {
      if (setter == words.setter) effect = &words;
    }
    if (!effect) return fault(from, "expected meshTo, ribbonsTo or swarmTo");
    if (!take('(')) return fault(at, "expected ( after the setter");
    const int codeAt = (skipSpaces(), at);
    const std::string code = word();
    if (!valueNamed(code.c_str(), effect->codes, effect->count, &out->code))
      return fault(codeAt, "unknown code for this setter");
    out->effect = effect->effect;
    if (!take(')')) return fault(at, "expected ) after the code");
    return 1;
  }
};
}  // namespace

int valueNamed(const char* name, const NamedValue* names, int count, int32_t* value) {
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(names[i].name, name) == 0) {
      *value = names[i].value;
      return 1;
    }
  }
  return 0;
}

const char* nameOfValue(int32_t value, const NamedValue* names, int count) {
  for (int i = 0; i < count; ++i) {
    if (names[i].value == value) return names[i].name;
  }
  return nullptr;
}

std::string namesList(const NamedValue* names, int count) {
  constexpr int kMostListed = 8;
  std::string list;
  for (int i = 0; i < count && i < kMostListed; ++i) list += std::string(i ? ", " : "") + names[i].name;
  if (count > kMostListed) list += ", ...";
  return list;
}

std::string cueText(const Cue& cue) {
  auto callText = [](const CueCall& call) -> std::string {
    for (const EffectWords& words : kEffectWords) {
      if (words.effect == call.effect) {
        const char* code = nameOfValue(call.code, words.codes, words.count);
        return std::string(words.setter) + "(" + (code ? code : "?") + ")";
      }
    }
    return "";
  };
  if (cue.kind == CueKind::None) return "none";
  std::string text = cue.kind == CueKind::Once ? "once(" : "everyFrame(";
  text += callText(cue.calls[0]);
  if (cue.calls[1].effect != Effect::Nothing) text += ", " + callText(cue.calls[1]);
  return text + ")";
}

int parseCue(const char* text, Cue* cue, CueParseError* error) {
  CueReader r{text, 0, error};
  Cue read{};
  const std::string kind = r.word();
  if (kind == "none") {
    read.kind = CueKind::None;
  } else if (kind == "once" || kind == "everyFrame") {
    read.kind = kind == "once" ? CueKind::Once : CueKind::EveryFrame;
    if (!r.take('(')) return r.fault(r.at, "expected ( after once or everyFrame");
    if (!r.call(&read.calls[0])) return 0;
    const int commaAt = (r.skipSpaces(), r.at);
    if (r.take(',')) {
      if (read.kind == CueKind::EveryFrame)
        return r.fault(commaAt, "everyFrame makes one call; once makes up to two");
      if (!r.call(&read.calls[1])) return 0;
    }
    if (!r.take(')')) return r.fault(r.at, "expected ) to close the cue");
  } else {
    return r.fault(0, "expected none, once(...) or everyFrame(...)");
  }
  r.skipSpaces();
  if (text[r.at] != '\0') return r.fault(r.at, "unexpected text after the cue");
  *cue = read;
  return 1;
}
