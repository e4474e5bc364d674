effect 1
# Expand: the picture swollen ({A, 0}, magnified toward "Center") or pinched
# ({0, P}) within half the picture's height of the centre, the strength
# falling off smoothly; the aspect comes from "Scale" (x / y).

float4 Scale
texture Mask
texture Background
float2 mask_position
float2 Center
float2 amplitude

program Main
vec2 Warp() {
  float aspect = Scale.x / Scale.y;
  vec2 d = v_tc0 - Center;
  float r = length(d * vec2(aspect, 1.0));
  float f = r < 0.5 ? (1.0 - r / 0.5) * (1.0 - r / 0.5) : 0.0;
  return Center + d * (1.0 - amplitude.x * f + amplitude.y * f);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(Center)) || any(isinf(Center)) || any(isnan(amplitude)) || any(isinf(amplitude));
}
void main() {
  if (Bad()) discard;
  float w = texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(texture(Background, Warp()).rgb, w * 1.0);
}
end

program MainFX
vec2 Warp() {
  float aspect = Scale.x / Scale.y;
  vec2 d = v_tc0 - Center;
  float r = length(d * vec2(aspect, 1.0));
  float f = r < 0.5 ? (1.0 - r / 0.5) * (1.0 - r / 0.5) : 0.0;
  return Center + d * (1.0 - amplitude.x * f + amplitude.y * f);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(Center)) || any(isinf(Center)) || any(isnan(amplitude)) || any(isinf(amplitude));
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  float w = clamp(texture(Mask, v_tc0 + mask_position).a * 1.0, 0.0, 1.0);
  o_color = vec4(mix(here, texture(Background, Warp()).rgb, w), 1.0);
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
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment MainFX
  end
end
