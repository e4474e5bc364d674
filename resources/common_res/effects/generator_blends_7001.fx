effect 1
# Generators: their particle layers drawn as masks into an off-screen target
# (or straight onto the scene), then the target combined with the scene.
# A mask holds straight colour with its coverage in alpha, whatever colour
# the target was cleared to; every blend weighs the colour by that alpha.

texture Texture1
texture Texture2

program Mask
void main() { o_color = texture(Texture1, v_tc0) * v_col0; }
end

program Over
void main() { o_color = texture(Texture1, v_tc0); }
end

program Sum
void main() {
  vec4 r = texture(Texture1, v_tc0);
  o_color = vec4(r.rgb * r.a, 1.0);
}
end

# Texture1 the scene behind, Texture2 the generator's result.
program Screen
void main() {
  vec4 b = texture(Texture1, v_tc0);
  vec4 r = texture(Texture2, v_tc0);
  vec3 g = r.rgb * r.a;
  o_color = vec4(b.rgb + g - b.rgb * g, 1.0);
}
end

program ColorDodge
void main() {
  vec4 b = texture(Texture1, v_tc0);
  vec4 r = texture(Texture2, v_tc0);
  vec3 g = r.rgb * r.a;
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
