effect 1
# Turn: the picture turned in perspective about the axis through the centre:
# "r_matrix2" takes a point to the centre with the axis across, the far side
# shrinks by "PerspectivePrm".x (times its y scale), "r_matrix5" takes it back.

float4 Scale
texture Mask
texture Background
float2 mask_position
matrix r_matrix2
matrix r_matrix5
float2 PerspectivePrm

program Main
vec2 Warp() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float w = max(1.0 + q.y * PerspectivePrm.x * 2.0 * PerspectivePrm.y, 0.05);
  return (r_matrix5 * vec4(q / w, 1.0, 0.0)).xy;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(PerspectivePrm)) || any(isinf(PerspectivePrm));
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
  float w = max(1.0 + q.y * PerspectivePrm.x * 2.0 * PerspectivePrm.y, 0.05);
  return (r_matrix5 * vec4(q / w, 1.0, 0.0)).xy;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(PerspectivePrm)) || any(isinf(PerspectivePrm));
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
