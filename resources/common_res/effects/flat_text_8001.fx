effect 1
# Flat texts: the stored text image ("TaxtImg") gives the glyphs' coverage,
# filled with "Color" or with the fill picture ("Filling", repeated every
# 1 / "fill_tex_scale" scene units); the effect image ("TextEffect") adds its
# light where it is opaque. "Shift" moves the image (xy, texture units) and
# the fill (zw, scene units); "Fade_Alpha" fades the whole text, and
# "fade_pos" (x, y) hides the part of the text farther than (1 - x, 1 - y)
# of its half width and height from its centre (zw, scene units). The
# background pass shows image 2 as it is.

matrix wvpMatrix
texture TaxtImg
texture TextEffect
texture Filling
float2 fill_tex_scale = 0 0
float Fade_Alpha = 1
float4 fade_pos = 0 0 0 0
float4 Color = 0 0 0 1
float4 Shift = 0 0 0 0

# v_tc1: the scene position; v_tc2: the position from the centre; v_tc3:
# its size, the same at every corner of a rectangle (its half extent).
program Transform
void main() {
  gl_Position = wvpMatrix * vec4(a_pos.xyz, 1.0);
  vec2 size = max(u_viewport.zw, vec2(1.0));
  gl_Position.xy += vec2(1.0 / size.x, -0.984375 / size.y) * gl_Position.w;
  v_col0 = vec4(1.0);
  v_col1 = vec4(0.0);
  v_tc0 = a_tc0.xy;
  v_tc1 = a_pos.xy;
  v_tc2 = a_pos.xy - fade_pos.zw;
  v_tc3 = abs(a_pos.xy - fade_pos.zw);
}
end

program Background
void main() { o_color = texture(TaxtImg, v_tc0); }
end

program Shadow
float Fade() {
  vec2 r = abs(v_tc2) / max(v_tc3, vec2(1e-6));
  return step(r.x, 1.0 - fade_pos.x + 1e-4) * step(r.y, 1.0 - fade_pos.y + 1e-4);
}
void main() {
  vec2 tc = v_tc0 - Shift.xy;
  float inside = step(0.0, tc.x) * step(tc.x, 1.0) * step(0.0, tc.y) * step(tc.y, 1.0);
  float a = texture(TaxtImg, tc).a * inside * Fade_Alpha * Fade();
  o_color = vec4(Color.rgb, Color.a * a);
}
end

program ColorFill
float Fade() {
  vec2 r = abs(v_tc2) / max(v_tc3, vec2(1e-6));
  return step(r.x, 1.0 - fade_pos.x + 1e-4) * step(r.y, 1.0 - fade_pos.y + 1e-4);
}
void main() {
  vec2 tc = v_tc0 - Shift.xy;
  float inside = step(0.0, tc.x) * step(tc.x, 1.0) * step(0.0, tc.y) * step(tc.y, 1.0);
  vec4 fx = texture(TextEffect, tc);
  float a = texture(TaxtImg, tc).a * inside * Fade_Alpha * Fade();
  o_color = vec4(clamp(Color.rgb + fx.rgb * fx.a, 0.0, 1.0), Color.a * a);
}
end

program TexFill
float Fade() {
  vec2 r = abs(v_tc2) / max(v_tc3, vec2(1e-6));
  return step(r.x, 1.0 - fade_pos.x + 1e-4) * step(r.y, 1.0 - fade_pos.y + 1e-4);
}
void main() {
  vec2 tc = v_tc0 - Shift.xy;
  float inside = step(0.0, tc.x) * step(tc.x, 1.0) * step(0.0, tc.y) * step(tc.y, 1.0);
  vec2 scale = fill_tex_scale;
  if (any(isnan(scale)) || any(isinf(scale))) scale = vec2(0.0);
  vec4 fill = texture(Filling, (v_tc1 - Shift.zw) * scale);
  vec4 fx = texture(TextEffect, tc);
  float a = texture(TaxtImg, tc).a * inside * Fade_Alpha * Fade();
  o_color = vec4(clamp(fill.rgb + fx.rgb * fx.a, 0.0, 1.0), Color.a * fill.a * a);
}
end

technique Background
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler TaxtImg MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Background
  end
end

technique Shadow
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler TaxtImg MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Shadow
  end
end

technique MainColorFill
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler TaxtImg MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler TextEffect MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment ColorFill
  end
end

technique MainTexFill
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler TaxtImg MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler TextEffect MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Filling MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    vertex Transform
    fragment TexFill
  end
end
