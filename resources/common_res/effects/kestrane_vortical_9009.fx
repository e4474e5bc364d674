effect 1
# Vortical kestrane: a vortex about "Center" on an ellipse turned by
# "r_matrix2" (back by "r_matrix3") and stretched by "ElipsDeform"; points
# turn by "Amplitude" turns near the centre, less outwards, pulsing as
# "Shift" runs.

float4 Scale
texture Mask
texture Background
float2 mask_position
float2 Center
matrix r_matrix2
matrix r_matrix3
float ElipsDeform
float Amplitude
float Shift

program Main
vec2 Warp() {
  vec2 aspect = vec2(Scale.x / Scale.y, 1.0);
  vec2 d = (v_tc0 - Center) * aspect;
  vec2 e = (r_matrix2 * vec4(d, 0.0, 1.0)).xy;
  e.y *= 1.0 + ElipsDeform;
  float r = length(e);
  float th = Amplitude * 6.2831855 * max(0.0, 1.0 - 2.0 * r) * (0.75 + 0.25 * sin(6.2831855 * (r * 3.0 - Shift)));
  float c = cos(th), s = sin(th);
  e = vec2(e.x * c - e.y * s, e.x * s + e.y * c);
  e.y /= 1.0 + ElipsDeform;
  return Center + (r_matrix3 * vec4(e, 0.0, 1.0)).xy / aspect;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(Center)) || any(isinf(Center)) || isnan(ElipsDeform) || isinf(ElipsDeform) || isnan(Amplitude) || isinf(Amplitude) || isnan(Shift) || isinf(Shift);
}
void main() {
  if (Bad()) discard;
  float w = texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(texture(Background, Warp()).rgb, w * 1.0);
}
end

program MainFX
vec2 Warp() {
  vec2 aspect = vec2(Scale.x / Scale.y, 1.0);
  vec2 d = (v_tc0 - Center) * aspect;
  vec2 e = (r_matrix2 * vec4(d, 0.0, 1.0)).xy;
  e.y *= 1.0 + ElipsDeform;
  float r = length(e);
  float th = Amplitude * 6.2831855 * max(0.0, 1.0 - 2.0 * r) * (0.75 + 0.25 * sin(6.2831855 * (r * 3.0 - Shift)));
  float c = cos(th), s = sin(th);
  e = vec2(e.x * c - e.y * s, e.x * s + e.y * c);
  e.y /= 1.0 + ElipsDeform;
  return Center + (r_matrix3 * vec4(e, 0.0, 1.0)).xy / aspect;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(Center)) || any(isinf(Center)) || isnan(ElipsDeform) || isinf(ElipsDeform) || isnan(Amplitude) || isinf(Amplitude) || isnan(Shift) || isinf(Shift);
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
