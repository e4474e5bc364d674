effect 1
# Glowing sprites: their glow shapes gathered into a cleared target by the
# brightest value, that target composited over the background copy tinted by
# the glow colour (screen or normal mix, opaque), then the sprites drawn
# normally.

texture Texture1
texture Texture2
float4 BlendColor = 1 1 1 1

# Premultiplied, so that the brightest value wins in colour and coverage.
program GlowShape
void main() {
  vec4 t = texture(Texture1, v_tc0) * v_col0;
  o_color = vec4(t.rgb * t.a, t.a);
}
end

program Screen
void main() {
  vec3 b = texture(Texture1, v_tc0).rgb;
  vec3 g = clamp(texture(Texture2, v_tc0).rgb * BlendColor.rgb * BlendColor.a, 0.0, 1.0);
  o_color = vec4(b + g - b * g, 1.0);
}
end

program Normal
void main() {
  vec3 b = texture(Texture1, v_tc0).rgb;
  vec4 g = texture(Texture2, v_tc0);
  float a = clamp(g.a * BlendColor.a, 0.0, 1.0);
  o_color = vec4(b * (1.0 - a) + clamp(g.rgb * BlendColor.rgb * BlendColor.a, 0.0, 1.0), 1.0);
}
end

program Sprite
void main() { o_color = texture(Texture1, v_tc0) * v_col0; }
end

technique Blend_Max
  pass P0
    state ALPHABLENDENABLE = TRUE
    state BLENDOP = MAX
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment GlowShape
  end
end

technique Blend_Screen
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Texture1 MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Texture2 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Screen
  end
end

technique Blend_Normal
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Texture1 MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Texture2 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Normal
  end
end

technique Common
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Sprite
  end
end
