effect 1
# Heat shimmer: the pack's offset map ("Bumpmap", red and green around 0.5)
# laid on the plane tilted by "Perspective" about the axis through the
# centre ("r_matrix2"), scaled by "bump_scale" and scrolled by "Offset",
# moves the picture by up to "stenght" of its size. "Main" lays it over the
# target on the grid by the mask's alpha; "MainFX" writes the whole picture.

float4 Scale
texture Mask
texture Background
float2 mask_position
float2 Center
float3 Ln
float3 Lt
float2 t
float2 n
float4 Perspective
matrix r_matrix2
matrix r_matrix5
matrix WorldViewProj
float stenght
float2 Offset
float2 bump_scale
texture Bumpmap

program Main
vec2 Warp() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float denom = max(Perspective.x + q.y * Perspective.y * 2.0, 0.05);
  vec2 buv = q / denom * bump_scale * 2.0 + Offset;
  vec2 o = (texture(Bumpmap, buv).rg - vec2(0.5)) * 2.0 * stenght;
  return v_tc0 + o;
}
bool Bad() {
  return isnan(stenght) || isinf(stenght) || any(isnan(Offset)) || any(isinf(Offset)) || any(isnan(bump_scale)) ||
         any(isinf(bump_scale)) || any(isnan(Perspective.xy)) || any(isinf(Perspective.xy)) ||
         any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  if (Bad()) discard;
  o_color = vec4(texture(Background, Warp()).rgb, texture(Mask, v_tc0 + mask_position).a);
}
end

program MainFX
vec2 Warp() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float denom = max(Perspective.x + q.y * Perspective.y * 2.0, 0.05);
  vec2 buv = q / denom * bump_scale * 2.0 + Offset;
  vec2 o = (texture(Bumpmap, buv).rg - vec2(0.5)) * 2.0 * stenght;
  return v_tc0 + o;
}
bool Bad() {
  return isnan(stenght) || isinf(stenght) || any(isnan(Offset)) || any(isinf(Offset)) || any(isnan(bump_scale)) ||
         any(isinf(bump_scale)) || any(isnan(Perspective.xy)) || any(isinf(Perspective.xy)) ||
         any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  o_color = vec4(mix(here, texture(Background, Warp()).rgb, texture(Mask, v_tc0 + mask_position).a), 1.0);
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
    sampler Bumpmap MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
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
    sampler Bumpmap MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    fragment MainFX
  end
end
