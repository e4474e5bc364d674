effect 1
# Linear kestrane: bands across the axis through the centre (by
# "r_matrix2"), drawn together with distance by the tilt of
# "PerspectivePrm", push the picture along "Direction" as "Shift" runs.

float4 Scale
texture Mask
texture Background
float2 mask_position
matrix r_matrix2
matrix r_matrix5
float2 PerspectivePrm
float2 Direction
float Shift

program Main
vec2 Warp() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float depth = max(1.0 + q.y * sin(PerspectivePrm.x) * PerspectivePrm.y, 0.05);
  float wave = sin(6.2831855 * (q.y * 4.0 / depth - Shift));
  return v_tc0 + Direction * wave;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(PerspectivePrm)) || any(isinf(PerspectivePrm)) || any(isnan(Direction)) || any(isinf(Direction)) || isnan(Shift) || isinf(Shift);
}
void main() {
  if (Bad()) discard;
  float w = texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(texture(Background, Warp()).rgb, w);
}
end

program MainFX
vec2 Warp() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float depth = max(1.0 + q.y * sin(PerspectivePrm.x) * PerspectivePrm.y, 0.05);
  float wave = sin(6.2831855 * (q.y * 4.0 / depth - Shift));
  return v_tc0 + Direction * wave;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(PerspectivePrm)) || any(isinf(PerspectivePrm)) || any(isnan(Direction)) || any(isinf(Direction)) || isnan(Shift) || isinf(Shift);
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  float w = texture(Mask, v_tc0 + mask_position).a;
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
