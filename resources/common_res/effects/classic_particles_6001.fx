effect 1
# Classic particle systems: textured, vertex-coloured quads blended normally
# or added, and their glow: the blurred particles from Texture0 tinted by
# GlowColor x GlowBrightness, laid over the scene or screened with the
# background copy. Line ribbons in multiply mode: the ribbon drawn alone
# into a surface (Texture0), multiplied over the background copy, opaque.

texture Texture0
texture Background
float3 GlowColor = 1 1 0
float GlowBrightness = 2

program Modulate
void main() { o_color = texture(Texture0, v_tc0) * v_col0; }
end

# The glow as premultiplied colour: its coverage is the blurred alpha.
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

# The surface was drawn with source-alpha blending over transparent black:
# its colour is premultiplied and its alpha the coverage squared.
program Multiply
void main() {
  vec4 s = texture(Texture0, v_tc0);
  vec4 b = texture(Background, v_tc0);
  float cover = sqrt(clamp(s.a, 0.0, 1.0));
  o_color = vec4(b.rgb * (1.0 - cover + s.rgb), 1.0);
}
end

technique BlendNormal
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state CULLMODE = NONE
    fragment Modulate
  end
end

technique BlendSum
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = ONE
    state CULLMODE = NONE
    fragment Modulate
  end
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

technique BlendMultiplay
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Texture0 MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Background MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Multiply
  end
end
