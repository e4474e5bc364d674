effect 1
# Blur and glow: separable Gaussian passes over a render target, the glow
# composed over the screen in four blend modes, the particle blends and the
# masked inner glow of curve leaves. The blur passes and the alpha-premultiplied
# blend write alpha too: the player masks it off the screen, but the glow reads
# the targets' alpha.

texture Texture
texture Texture0
texture GlowTexture
texture Background
texture Mask
float TexW = 256
float TexH = 256
float3 GlowColor = 1 1 0
float GlowBrightness = 2
float4 Color = 0 0 0 1

# Nine taps, sigma 2 texels; the weights add up to one.
program BlurV
const float W[5] = float[](0.204164, 0.180174, 0.123832, 0.066282, 0.027631);
void main() {
  vec2 d = vec2(0.0, 1.0 / max(TexH, 1.0));
  vec4 sum = texture(Texture, v_tc0) * W[0];
  for (int i = 1; i < 5; ++i)
    sum += (texture(Texture, v_tc0 + d * float(i)) + texture(Texture, v_tc0 - d * float(i))) * W[i];
  o_color = sum;
}
end

program BlurH
const float W[5] = float[](0.204164, 0.180174, 0.123832, 0.066282, 0.027631);
void main() {
  vec2 d = vec2(1.0 / max(TexW, 1.0), 0.0);
  vec4 sum = texture(Texture, v_tc0) * W[0];
  for (int i = 1; i < 5; ++i)
    sum += (texture(Texture, v_tc0 + d * float(i)) + texture(Texture, v_tc0 - d * float(i))) * W[i];
  o_color = sum;
}
end

# The glow as premultiplied colour: its coverage is the blurred alpha.
program GlowNormal
void main() {
  float a = clamp(texture(GlowTexture, v_tc0).a * GlowBrightness, 0.0, 1.0);
  o_color = vec4(GlowColor * a, a);
}
end

program GlowScreen
void main() {
  float a = clamp(texture(GlowTexture, v_tc0).a * GlowBrightness, 0.0, 1.0);
  vec4 b = texture(Background, v_tc0);
  vec3 g = GlowColor * a;
  o_color = vec4(b.rgb + g - b.rgb * g, b.a);
}
end

program GlowColorDodge
void main() {
  float a = clamp(texture(GlowTexture, v_tc0).a * GlowBrightness, 0.0, 1.0);
  vec4 b = texture(Background, v_tc0);
  vec3 g = GlowColor * a;
  o_color = vec4(min(b.rgb / max(vec3(1.0) - g, vec3(1.0 / 255.0)), vec3(1.0)), b.a);
}
end

program GlowLinearDodge
void main() {
  float a = clamp(texture(GlowTexture, v_tc0).a * GlowBrightness, 0.0, 1.0);
  vec4 b = texture(Background, v_tc0);
  o_color = vec4(min(b.rgb + GlowColor * a, vec3(1.0)), b.a);
}
end

program Modulate
void main() { o_color = texture(Texture0, v_tc0) * v_col0; }
end

# A premultiplied picture: the vertex alpha scales every channel.
program ModulatePM
void main() { o_color = texture(Texture0, v_tc0) * vec4(v_col0.rgb * v_col0.a, v_col0.a); }
end

program InverseMask
void main() { o_color = vec4(0.0, 0.0, 0.0, 1.0 - texture(Texture, v_tc0).a); }
end

program MaskedGlow
void main() {
  float a = texture(Texture, v_tc0).a * texture(Mask, v_tc0).a * Color.a;
  o_color = vec4(Color.rgb * a, a);
}
end

technique GaussianBlurVFirst
  pass P0
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Texture MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment BlurV
  end
end

technique GaussianBlurH
  pass P0
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Texture MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment BlurH
  end
end

technique GaussianBlurV
  pass P0
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Texture MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment BlurV
  end
end

technique DrawGlowNormal
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler GlowTexture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment GlowNormal
  end
end

technique DrawGlowScreen
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler GlowTexture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Background MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment GlowScreen
  end
end

technique DrawGlowColorDodge
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler GlowTexture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Background MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment GlowColorDodge
  end
end

technique DrawGlowLinearDodge
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler GlowTexture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Background MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment GlowLinearDodge
  end
end

technique BlendNormal
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    fragment Modulate
  end
end

technique BlendNormal_AlphaPM
  pass P0
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    fragment ModulatePM
  end
end

technique BlendSum
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = ONE
    fragment Modulate
  end
end

technique InnerGlowFirstStep
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Texture MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment InverseMask
  end
end

technique MaskedNormalEffect
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler Texture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = POINT MAGFILTER = POINT MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment MaskedGlow
  end
end
