effect 1
# Water surface: the ripple map "BumpMap" (red and green around 0.5), read
# denser towards the top as "P2" says and turned by "BampTrans", moves the
# picture; a travelling wave along "Direction1" adds a sway of "Direction2";
# the slope lit from "Vhalf" darkens by "Shadows"; the result is tinted by
# "Color". A "P2" that is not finite reads the map evenly.

float4 Scale
texture Mask
texture Background
float2 mask_position
texture BumpMap
float4 BampTrans
float3 P1
float3 P2
float Time
float2 Direction1
float2 Direction2
float Shadows
float3 Vhalf
float3 Color

program Main
vec2 Slope() {
  float k = (isnan(P2.y) || isinf(P2.y)) ? 1.0 : clamp(P2.y, 0.25, 4.0);
  vec2 q = v_tc0 * Scale.xy * vec2(1.0, mix(k, 1.0, v_tc0.y));
  return texture(BumpMap, q + Direction1 * 0.01 * Time).rg - vec2(0.5);
}
vec2 Warp() {
  vec2 b = Slope();
  vec2 o = vec2(dot(b, BampTrans.xy), dot(b, BampTrans.zw));
  return v_tc0 + o + Direction2 * sin(dot(v_tc0, Direction1) * 6.2831853 + Time);
}
vec3 Shade(vec3 c) {
  vec2 b = Slope();
  float light = dot(normalize(vec3(b * 2.0, 1.0)), Vhalf);
  return c * Color * (1.0 - Shadows * clamp(1.0 - light, 0.0, 1.0));
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(BampTrans)) || any(isinf(BampTrans)) || isnan(Time) || isinf(Time) || any(isnan(Direction1)) || any(isinf(Direction1)) || any(isnan(Direction2)) || any(isinf(Direction2)) || isnan(Shadows) || isinf(Shadows) || any(isnan(Vhalf)) || any(isinf(Vhalf)) || any(isnan(Color)) || any(isinf(Color));
}
void main() {
  if (Bad()) discard;
  o_color = vec4(Shade(texture(Background, Warp()).rgb), texture(Mask, v_tc0 + mask_position).a);
}
end

program MainFX
vec2 Slope() {
  float k = (isnan(P2.y) || isinf(P2.y)) ? 1.0 : clamp(P2.y, 0.25, 4.0);
  vec2 q = v_tc0 * Scale.xy * vec2(1.0, mix(k, 1.0, v_tc0.y));
  return texture(BumpMap, q + Direction1 * 0.01 * Time).rg - vec2(0.5);
}
vec2 Warp() {
  vec2 b = Slope();
  vec2 o = vec2(dot(b, BampTrans.xy), dot(b, BampTrans.zw));
  return v_tc0 + o + Direction2 * sin(dot(v_tc0, Direction1) * 6.2831853 + Time);
}
vec3 Shade(vec3 c) {
  vec2 b = Slope();
  float light = dot(normalize(vec3(b * 2.0, 1.0)), Vhalf);
  return c * Color * (1.0 - Shadows * clamp(1.0 - light, 0.0, 1.0));
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(BampTrans)) || any(isinf(BampTrans)) || isnan(Time) || isinf(Time) || any(isnan(Direction1)) || any(isinf(Direction1)) || any(isnan(Direction2)) || any(isinf(Direction2)) || isnan(Shadows) || isinf(Shadows) || any(isnan(Vhalf)) || any(isinf(Vhalf)) || any(isnan(Color)) || any(isinf(Color));
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  float w = clamp(texture(Mask, v_tc0 + mask_position).a, 0.0, 1.0);
  o_color = vec4(mix(here, Shade(texture(Background, Warp()).rgb), w), 1.0);
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
    sampler BumpMap MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
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
    sampler BumpMap MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    fragment MainFX
  end
end
