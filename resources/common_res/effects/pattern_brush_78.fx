effect 1
# Pattern brush: the pattern picture tiled over the picture, its tile
# coordinates the picture's turned and scaled by "coord_transf" (row-vector
# 2 x 2) and moved by "offset", tinted by "mix_color". "scale" (tile width
# over height, 1) makes the turn square in pixels: the x count of tiles is
# taken in tile heights before the turn and back in tile widths after it.
# "Main" lays it over the target by its alpha; "MainFX" writes the picture
# with it mixed in.

float4 mix_color
texture Pattern
float2 scale
float2 offset
float4 coord_transf
float2 mask_position
float4 Scale
texture Mask
texture Background

program Main
vec2 Tile() {
  vec2 p = v_tc0 * scale;
  vec2 q = vec2(p.x * coord_transf.x + p.y * coord_transf.z, p.x * coord_transf.y + p.y * coord_transf.w);
  return q / scale + offset;
}
void main() {
  vec2 t = Tile();
  vec4 c = texture(Pattern, t) * mix_color;
  float w = texture(Mask, v_tc0 + mask_position).a;
  bool bad = any(isnan(coord_transf)) || any(isinf(coord_transf)) || any(isnan(offset)) || any(isinf(offset)) ||
             any(isnan(scale)) || any(isinf(scale)) || scale.x == 0.0 || scale.y == 0.0;
  if (bad) discard;
  o_color = vec4(c.rgb, c.a * w);
}
end

program MainFX
vec2 Tile() {
  vec2 p = v_tc0 * scale;
  vec2 q = vec2(p.x * coord_transf.x + p.y * coord_transf.z, p.x * coord_transf.y + p.y * coord_transf.w);
  return q / scale + offset;
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  vec2 t = Tile();
  vec4 c = texture(Pattern, t) * mix_color;
  float w = texture(Mask, v_tc0 + mask_position).a;
  bool bad = any(isnan(coord_transf)) || any(isinf(coord_transf)) || any(isnan(offset)) || any(isinf(offset)) ||
             any(isnan(scale)) || any(isinf(scale)) || scale.x == 0.0 || scale.y == 0.0;
  o_color = vec4(mix(here, c.rgb, bad ? 0.0 : clamp(c.a * w, 0.0, 1.0)), 1.0);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler Pattern MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Main
  end
end

technique MainFX
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Pattern MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment MainFX
  end
end
