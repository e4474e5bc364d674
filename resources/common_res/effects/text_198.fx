effect 1
# Texts: the text image ("Texture") moved by "Shift" in texture units and
# cut at its edges, tinted by the vertex colour (the visibility); its
# shadow is the image's coverage in "Color".

texture Texture
float2 Shift = 0 0
float4 Color = 0 0 0 1

program Text
void main() {
  vec2 tc = v_tc0 - Shift;
  float inside = step(0.0, tc.x) * step(tc.x, 1.0) * step(0.0, tc.y) * step(tc.y, 1.0);
  o_color = texture(Texture, tc) * v_col0 * inside;
}
end

program Shadow
void main() {
  vec2 tc = v_tc0 - Shift;
  float inside = step(0.0, tc.x) * step(tc.x, 1.0) * step(0.0, tc.y) * step(tc.y, 1.0);
  o_color = vec4(Color.rgb, Color.a * texture(Texture, tc).a * v_col0.a * inside);
}
end

technique Main
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Text
  end
end

technique Shadow
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Shadow
  end
end
