effect 1
# Generators: their particle layers drawn as masks into an off-screen target
# (or straight onto the scene), then the target combined with the scene.
# Layers blended over transparent black leave premultiplied colour (no
# channel above the coverage in alpha); over transparent white, colour that
# reaches 1 in some channel. Every blend takes straight colour from the
# result (Straight) and weighs it by the coverage once.

texture Texture1
texture Texture2

program Mask
void main() { o_color = texture(Texture1, v_tc0) * v_col0; }
end

program Over
vec3 Straight(vec4 r) { return r.a > 0.0 ? clamp(r.rgb / max(r.a, max(r.r, max(r.g, r.b))), 0.0, 1.0) : r.rgb; }
void main() {
  vec4 r = texture(Texture1, v_tc0);
  o_color = vec4(Straight(r), r.a);
}
end

program Sum
vec3 Straight(vec4 r) { return r.a > 0.0 ? clamp(r.rgb / max(r.a, max(r.r, max(r.g, r.b))), 0.0, 1.0) : r.rgb; }
void main() {
  vec4 r = texture(Texture1, v_tc0);
  o_color = vec4(Straight(r) * r.a, 1.0);
}
end

# Texture1 the scene behind, Texture2 the generator's result.
program Screen
vec3 Straight(vec4 r) { return r.a > 0.0 ? clamp(r.rgb / max(r.a, max(r.r, max(r.g, r.b))), 0.0, 1.0) : r.rgb; }
void main() {
  vec4 b = texture(Texture1, v_tc0);
  vec4 r = texture(Texture2, v_tc0);
  vec3 g = Straight(r) * r.a;
  o_color = vec4(b.rgb + g - b.rgb * g, 1.0);
}
end

program ColorDodge
vec3 Straight(vec4 r) { return r.a > 0.0 ? clamp(r.rgb / max(r.a, max(r.r, max(r.g, r.b))), 0.0, 1.0) : r.rgb; }
void main() {
  vec4 b = texture(Texture1, v_tc0);
  vec4 r = texture(Texture2, v_tc0);
  vec3 g = Straight(r) * r.a;
  o_color = vec4(min(b.rgb / max(vec3(1.0) - g, vec3(1.0 / 255.0)), vec3(1.0)), 1.0);
}
end

technique BlendMask
  pass P0
    state ZENABLE = FALSE
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state SEPARATEALPHABLENDENABLE = TRUE
    state SRCBLENDALPHA = ONE
    state DESTBLENDALPHA = INVSRCALPHA
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Mask
  end
end

technique JoinMask
  pass P0
    state ZENABLE = FALSE
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state SEPARATEALPHABLENDENABLE = TRUE
    state SRCBLENDALPHA = ONE
    state DESTBLENDALPHA = INVSRCALPHA
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Mask
  end
end

technique CommonTex
  pass P0
    state ZENABLE = FALSE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Over
  end
end

technique Blend_SumTex
  pass P0
    state ZENABLE = FALSE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Sum
  end
end

technique Blend_ScreenTex
  pass P0
    state ZENABLE = FALSE
    state ALPHABLENDENABLE = FALSE
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Texture2 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Screen
  end
end

technique Blend_ColorDodgeTex
  pass P0
    state ZENABLE = FALSE
    state ALPHABLENDENABLE = FALSE
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Texture2 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment ColorDodge
  end
end
