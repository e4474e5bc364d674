effect 1
# Saturation wave: colours drawn toward their grey by a strength that is
# "SatMax" behind the wave front (the line through "WavePos" across
# "WaveDir", in pixels of a picture "BgSize" large) and falls to "SatMin"
# over pi / "WaveFreq" pixels ahead of it (an infinite frequency: a hard
# front). "Main" draws on the effect's grid over the target by the mask's
# alpha; "MainFX" writes the whole picture.

float2 BgSize
float2 WaveDir
float2 WavePos
float WaveFreq
float SatMax
float SatMin
float2 mask_position
texture Mask
texture Background

program Main
vec3 Toned(vec3 c) {
  vec2 p = v_tc0 * BgSize;
  float d = dot(p - WavePos, WaveDir);
  float t = d <= 0.0 ? 1.0 : clamp(1.0 - d * WaveFreq / 3.1415927, 0.0, 1.0);
  float k = clamp(mix(SatMin, SatMax, t), 0.0, 1.0);
  return mix(c, vec3(dot(c, vec3(0.299, 0.587, 0.114))), k);
}
bool Bad() {
  return isnan(WaveFreq) || isnan(SatMax) || isinf(SatMax) || isnan(SatMin) || isinf(SatMin) ||
         any(isnan(WavePos)) || any(isinf(WavePos)) || any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  if (Bad()) discard;
  vec3 b = texture(Background, v_tc0).rgb;
  o_color = vec4(Toned(b), texture(Mask, v_tc0 + mask_position).a);
}
end

program MainFX
vec3 Toned(vec3 c) {
  vec2 p = v_tc0 * BgSize;
  float d = dot(p - WavePos, WaveDir);
  float t = d <= 0.0 ? 1.0 : clamp(1.0 - d * WaveFreq / 3.1415927, 0.0, 1.0);
  float k = clamp(mix(SatMin, SatMax, t), 0.0, 1.0);
  return mix(c, vec3(dot(c, vec3(0.299, 0.587, 0.114))), k);
}
bool Bad() {
  return isnan(WaveFreq) || isnan(SatMax) || isinf(SatMax) || isnan(SatMin) || isinf(SatMin) ||
         any(isnan(WavePos)) || any(isinf(WavePos)) || any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(b, 1.0);
    return;
  }
  o_color = vec4(mix(b, Toned(b), texture(Mask, v_tc0 + mask_position).a), 1.0);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Main
  end
end

technique MainFX
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment MainFX
  end
end
