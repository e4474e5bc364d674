effect 1
# Glowing particles (falling stars, fireworks, lightning): the particle layers
# and their glow layers kept by channel maximum in two cleared targets, then
# laid over the scene, the particles over their glows. The scene behind
# ("Texture1") is not needed: the result is blended onto it.

texture Texture1
texture Texture2
texture Texture3

program Mask
void main() { o_color = texture(Texture1, v_tc0) * v_col0; }
end

# Texture2 the glows, Texture3 the particles; straight colour with coverage.
program Over
void main() {
  vec4 g = texture(Texture2, v_tc0);
  vec4 s = texture(Texture3, v_tc0);
  vec3 c = s.rgb * s.a + g.rgb * g.a * (1.0 - s.a);
  o_color = vec4(c, s.a + g.a * (1.0 - s.a));
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
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    sampler Texture2 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Texture3 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Over
  end
end
