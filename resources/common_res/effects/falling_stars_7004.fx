effect 1
# Falling stars: their star and glow layers kept by channel maximum in two
# cleared targets, then the scene behind ("Texture1"), the glows and the stars
# laid together. Falling stars always take a background step, which leaves
# the target they draw on empty, so "Main" writes the scene as well.

texture Texture1
texture Texture2
texture Texture3

program Mask
void main() { o_color = texture(Texture1, v_tc0) * v_col0; }
end

# Texture1 the scene, Texture2 the glows, Texture3 the stars and trails.
program Over
void main() {
  vec4 b = texture(Texture1, v_tc0);
  vec4 g = texture(Texture2, v_tc0);
  vec4 s = texture(Texture3, v_tc0);
  vec3 c = mix(mix(b.rgb, g.rgb, g.a), s.rgb, s.a);
  o_color = vec4(c, 1.0);
}
end

technique BlendMask_Max
  pass P0
    state ZENABLE = FALSE
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = TRUE
    state BLENDOP = MAX
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Mask
  end
end

technique Main
  pass P0
    state ZENABLE = FALSE
    state ALPHABLENDENABLE = FALSE
    sampler Texture1 MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Texture2 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Texture3 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Over
  end
end
