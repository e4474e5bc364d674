effect 1
# Radial wave: rings around "center" (picture units, scaled by
# "bg_scale_factor") push the picture along the radius by
# "amplitude" x sin(r x "frequency" + "time" x 2 pi).

float4 Scale
texture Mask
texture Background
float2 mask_position
float2 bg_scale_factor
float2 center
float frequency
float amplitude
float time

program Main
vec2 Warp() {
  vec2 d = (v_tc0 - center) * bg_scale_factor;
  float r = length(d);
  vec2 dir = r > 0.0 ? d / r : vec2(0.0);
  return v_tc0 + dir * amplitude * sin(r * frequency + time * 6.2831855);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(center)) || any(isinf(center)) || any(isnan(bg_scale_factor)) || any(isinf(bg_scale_factor)) || isnan(frequency) || isinf(frequency) || isnan(amplitude) || isinf(amplitude) || isnan(time) || isinf(time);
}
void main() {
  if (Bad()) discard;
  float w = texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(texture(Background, Warp()).rgb, w * 1.0);
}
end

program MainFX
vec2 Warp() {
  vec2 d = (v_tc0 - center) * bg_scale_factor;
  float r = length(d);
  vec2 dir = r > 0.0 ? d / r : vec2(0.0);
  return v_tc0 + dir * amplitude * sin(r * frequency + time * 6.2831855);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(center)) || any(isinf(center)) || any(isnan(bg_scale_factor)) || any(isinf(bg_scale_factor)) || isnan(frequency) || isinf(frequency) || isnan(amplitude) || isinf(amplitude) || isnan(time) || isinf(time);
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
