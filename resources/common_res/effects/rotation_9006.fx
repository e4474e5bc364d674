effect 1
# Rotation: each point, taken to the centre by "offset" (minus the centre in
# viewport units) and made square by the aspect of "Scale", shows the picture
# at the point times "coord_transf" (row-vector 2 x 2) taken back; "mix_color"
# alpha fades it.

float4 Scale
texture Mask
texture Background
float2 mask_position
float4 coord_transf
float2 offset
float4 mix_color

program Main
vec2 Warp() {
  vec2 aspect = vec2(Scale.x / Scale.y, 1.0);
  vec2 p = (v_tc0 + offset) * aspect;
  vec2 q = vec2(p.x * coord_transf.x + p.y * coord_transf.z, p.x * coord_transf.y + p.y * coord_transf.w);
  return q / aspect - offset;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(coord_transf)) || any(isinf(coord_transf)) || any(isnan(offset)) || any(isinf(offset));
}
void main() {
  if (Bad()) discard;
  float w = texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(texture(Background, Warp()).rgb, w * clamp(mix_color.a, 0.0, 1.0));
}
end

program MainFX
vec2 Warp() {
  vec2 aspect = vec2(Scale.x / Scale.y, 1.0);
  vec2 p = (v_tc0 + offset) * aspect;
  vec2 q = vec2(p.x * coord_transf.x + p.y * coord_transf.z, p.x * coord_transf.y + p.y * coord_transf.w);
  return q / aspect - offset;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(coord_transf)) || any(isinf(coord_transf)) || any(isnan(offset)) || any(isinf(offset));
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  float w = clamp(texture(Mask, v_tc0 + mask_position).a * clamp(mix_color.a, 0.0, 1.0), 0.0, 1.0);
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
