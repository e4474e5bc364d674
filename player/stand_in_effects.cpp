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
    // Glowing sprites draw their glow, composite and sprites with 97.
    {u"DS_DischargeFXConstructor", kAny, 97, true},
    // Generators: masks into their own target and the blends over the scene.
    {u"DS_Bling", kAny, 7001, false},
    {u"DS_CustomAirBrush", kAny, 7001, false},
    {u"DS_TwinklingStars", kAny, 7001, false},
    {u"DS_Aurora", kAny, 7001, false},
    {u"DS_AnimatedFont", kAny, 7001, false},
    // These cannot draw without an effect: an empty link takes one too.
    {u"DS_FallingStars", kAny, 7004, true},
    {u"DS_FireworkSimple", kAny, 7002, true},
    {u"DS_Plant", kAny, 7003, true},
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
