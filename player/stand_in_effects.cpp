#include "player/stand_in_effects.h"

#include <array>

#include "player/file_links.h"

namespace {

constexpr int64_t kAny = StandInRow::kAnyLink;

// Keep rows of one class together, the most specific first.
constexpr StandInRow kRows[] = {
    // Texts draw their stored images with the text effect.
    {u"DS_StaticText", kAny, 198, false},
    {u"DS_TextLink", kAny, 198, false},
    {u"DS_ScrollingTex", kAny, 198, false},
    // Sprite texts draw the text image (scrolled by its phases).
    {u"DS_StaticTextConstructor", kAny, 8002, true},
    {u"DS_ScrollingTextConstructor", kAny, 8002, true},
    {u"DS_TextLinkConstructor", kAny, 8002, true},
    // Flat texts: background, shadow and the colour- or picture-filled text.
    {u"ZVI_2DTex", kAny, 8001, true},
    // Picture nodes draw their quads with the node picture effect, also
    // when the project names none.
    {u"ZVI_PtclSysNode_Picture", kAny, 306, true},
    {u"ZVI_PtclSysNodePic_TexDynamic", kAny, 306, true},
    // Tree-structured systems: the root's quads and balloons (the pack's
    // 185 of a root), and the leaf's own glow composition (its 202).
    {u"ZVI_PSTree_Root", kAny, 4001, true},
    {u"ZVI_PSTree_Leaf", kAny, 4002, true},
    // Screen effects: pattern, copy, colour and light. Their projects carry
    // compiled binaries, or no link at all (erase, Light II, blur).
    {u"DS_BackgroundCopy", kAny, 75, true},
    {u"DS_LightFX", kAny, 76, true},
    {u"DS_PatternBrush", kAny, 78, true},
    {u"DS_PatternBrushC", kAny, 78, true},
    {u"DS_LightFX_II", kAny, 190, true},
    {u"DS_EraseLayerFX", kAny, 9001, true},
    {u"DS_LightWaveFX", kAny, 9002, true},
    {u"DS_ColorShiftFX", kAny, 9003, true},
    {u"DS_SaturationWaveFX", kAny, 9004, true},
    {u"DS_SaturationFX", kAny, 9004, true},
    {u"DS_BlureFX", kAny, 9005, true},
    // Screen effects: centre-based distortions.
    {u"DS_ExpandFX", kAny, 102, true},
    {u"DS_RadialWaveFX", kAny, 103, true},
    {u"DS_RotationFX", kAny, 9006, true},
    {u"DS_BendFX", kAny, 9007, true},
    {u"DS_KestraneRadial", kAny, 9008, true},
    {u"DS_KestraneVortical", kAny, 9009, true},
    // Screen effects: line, perspective and direction distortions.
    {u"DS_PerspectiveFX", kAny, 9013, true},
    {u"DS_StretchFX", kAny, 9014, true},
    {u"DS_TurnFX", kAny, 9015, true},
    {u"DS_KestraneLinear", kAny, 9016, true},
    // Screen effects: clouds, caustics and the day-to-night grade.
    {u"DS_CloudFX", kAny, 9010, true},
    {u"DS_CausticFX", kAny, 9011, true},
    {u"DS_DayToNight", kAny, 9012, true},
    // Screen effects: heat shimmer and bump lighting.
    {u"DS_HeatDistortion", kAny, 9017, true},
    {u"DS_BumpFX", kAny, 9018, true},
    // Screen effects: water and fire, and the flame light's heat shimmer.
    {u"DS_WavesFX", kAny, 77, true},
    {u"DS_UnderwaterFX", kAny, 88, true},
    {u"DS_WaterFX", kAny, 90, true},
    {u"DS_MoveFX", kAny, 91, true},
    {u"DS_FireFX", kAny, 92, true},
    {u"DS_WaterfallFX", kAny, 9101, true},
    {u"DS_FlameLight", kAny, 63, true},
    // Glowing sprites draw their glow, composite and sprites with 97.
    {u"DS_DischargeFXConstructor", kAny, 97, true},
    // Generators: masks into their own target and the blends over the scene.
    {u"DS_Bling", kAny, 7001, false},
    {u"DS_CustomAirBrush", kAny, 7001, false},
    {u"DS_TwinklingStars", kAny, 7001, false},
    {u"DS_Aurora", kAny, 7001, false},
    {u"DS_AnimatedFont", kAny, 7001, false},
    {u"DS_Smoke", kAny, 7001, false},
    {u"DS_RadialRays", kAny, 7001, false},
    // These cannot draw without an effect: an empty link takes one too.
    {u"DS_FallingStars", kAny, 7004, true},
    {u"DS_FireworkSimple", kAny, 7002, true},
    {u"DS_LightningGN", kAny, 7002, true},
    {u"DS_Plant", kAny, 7003, true},
    // The explosion's fireball, also when the project links none.
    {u"DS_ExplosionConstructor", kAny, 7024, true},
    // Sprite animations: the path and Brownian sprites draw straight like
    // smoke; the static animation's rectangle needs its own effect.
    {u"DS_PathAnimtion", kAny, 7001, false},
    {u"DS_BrownAnimation", kAny, 7001, false},
    {u"DS_StaticAnimation", kAny, 116, true},
    // Classic particle systems draw their quads and glow with one effect,
    // also when the project links none.
    {u"ZVI_BurstPtclSys", kAny, 6001, true},
    {u"ZVI_FontainPtclSys", kAny, 6001, true},
    {u"DS_PtclFire", kAny, 6001, true},
    {u"DS_WaterJet", kAny, 6001, true},
    {u"DS_LightBeams", kAny, 6001, true},
    {u"DS_PtclSmoke", kAny, 6001, true},
    {u"DS_PtclFireStream", kAny, 6001, true},
    {u"ZVI_SplashPtclSys", kAny, 6001, true},
    {u"ZVI_SprayPtclSys", kAny, 6001, true},
    {u"DS_PtclFog", kAny, 6001, true},
    {u"DS_BokehLights", kAny, 6001, true},
    {u"DS_PtclSmoke3", kAny, 6001, true},
    {u"DS_Shimmer", kAny, 6001, true},
    {u"DS_StreamPtclSys", kAny, 6001, true},
    {u"DS_PtclSmoke2", kAny, 6001, true},
    {u"ZVI_VortexPtclSys", kAny, 6001, true},
    {u"DS_RayOfLight", kAny, 6001, true},
    {u"ZVI_ThroughSpaceCtrl", kAny, 6001, true},
    {u"ZVI_BrownAnimation", kAny, 6001, true},
    {u"ZVI_Firefly", kAny, 6001, true},
    // Path, trace, field and rain-on-glass systems: the same quads and glow.
    {u"ZVI_ParticlePath", kAny, 6001, true},
    {u"ZVI_ParticleTrace", kAny, 6001, true},
    {u"ZVI_FieldPtclSys", kAny, 6001, true},
    {u"DS_RainOnGlass", kAny, 6001, true},
    // Line ribbons, their head particles and the single objects draw with
    // the classic effect; a multiply ribbon uses its "BlendMultiplay".
    {u"ZVI_GrovingLine", kAny, 6001, true},
    {u"ZVI_SlidingLine", kAny, 6001, true},
    {u"ZVI_ShootingLine", kAny, 6001, true},
    {u"ZVI_Tears", kAny, 6001, true},
    {u"ZVI_WavingLine", kAny, 6001, true},
    {u"ZVI_StaticObject", kAny, 6001, true},
    {u"ZVI_SigleObjectPath", kAny, 6001, true},
};

bool IsPackName(const zvi_string& name) {
  static constexpr std::u16string_view pack = u"common_res.dll";
  if (name.size() != pack.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != pack[i]) return false;
  }
  return true;
}

}  // namespace

bool IsEmptyLink(const DS_FileLink3& link) { return link.name.empty() && link.id == 0; }

uint32_t StandInEffectId(std::u16string_view askingClass, const DS_FileLink3& link) {
  const bool empty = IsEmptyLink(link);
  const bool intoPack = IsPackName(link.name);
  for (const StandInRow& row : kRows) {
    if (row.askingClass != askingClass) continue;
    if (empty && !row.emptyLinkToo) continue;
    if (row.packId != kAny && !(intoPack && link.id == row.packId)) continue;
    return row.standIn;
  }
  if (intoPack && link.id > 0 && link.id <= 0xFFFF) return static_cast<uint32_t>(link.id);
  return 0;
}
