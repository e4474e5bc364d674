effect 1
# The tree leaf's own effect: composes the leaf's blurred glow (Texture0)
# over the scene, normally or as a screen blend over the background copy.

texture Texture0
texture Background
float3 GlowColor = 1 1 0
float GlowBrightness = 2

program GlowNormal
void main() {
  float a = clamp(texture(Texture0, v_tc0).a * GlowBrightness, 0.0, 1.0);
  o_color = vec4(GlowColor * a, a);
}
end

program GlowScreen
void main() {
  float a = clamp(texture(Texture0, v_tc0).a * GlowBrightness, 0.0, 1.0);
  vec4 b = texture(Background, v_tc0);
  vec3 g = GlowColor * a;
  o_color = vec4(b.rgb + g - b.rgb * g, b.a);
}
end

technique DrawGlowNormal
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler Texture0 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment GlowNormal
  end
end

technique DrawGlowScreen
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Texture0 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Background MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment GlowScreen
  end
end
