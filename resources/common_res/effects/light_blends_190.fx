effect 1
# Coloured light in five layer blends: the picture b and the colour C of
# "BlendColor" combined (normal C, screen 1 - (1 - b)(1 - C), colour dodge
# b / (1 - C), linear dodge b + C, each clamped) and mixed into b by the
# colour's alpha times the mask's alpha; "Blend_Sum" adds C x alpha. Each
# writes the whole picture.

float4 BlendColor
texture Mask
texture Background

program Blend_Normal
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  bool bad = any(isnan(BlendColor)) || any(isinf(BlendColor));
  float a = bad ? 0.0 : clamp(BlendColor.a, 0.0, 1.0) * texture(Mask, v_tc0).a;
  o_color = vec4(mix(b, C, a), 1.0);
}
end

program Blend_Screen
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  bool bad = any(isnan(BlendColor)) || any(isinf(BlendColor));
  float a = bad ? 0.0 : clamp(BlendColor.a, 0.0, 1.0) * texture(Mask, v_tc0).a;
  o_color = vec4(mix(b, vec3(1.0) - (vec3(1.0) - b) * (vec3(1.0) - C), a), 1.0);
}
end

program Blend_ColorDodge
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  bool bad = any(isnan(BlendColor)) || any(isinf(BlendColor));
  float a = bad ? 0.0 : clamp(BlendColor.a, 0.0, 1.0) * texture(Mask, v_tc0).a;
  o_color = vec4(mix(b, min(b / max(vec3(1.0) - C, vec3(1.0 / 255.0)), vec3(1.0)), a), 1.0);
}
end

program Linear_Dodge
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  bool bad = any(isnan(BlendColor)) || any(isinf(BlendColor));
  float a = bad ? 0.0 : clamp(BlendColor.a, 0.0, 1.0) * texture(Mask, v_tc0).a;
  o_color = vec4(mix(b, min(b + C, vec3(1.0)), a), 1.0);
}
end

program Blend_Sum
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  bool bad = any(isnan(BlendColor)) || any(isinf(BlendColor));
  float a = bad ? 0.0 : clamp(BlendColor.a, 0.0, 1.0) * texture(Mask, v_tc0).a;
  o_color = vec4(min(b + BlendColor.rgb * a, vec3(1.0)), 1.0);
}
end

technique Blend_Normal
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Blend_Normal
  end
end

technique Blend_Screen
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Blend_Screen
  end
end

technique Blend_ColorDodge
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Blend_ColorDodge
  end
end

technique Linear_Dodge
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Linear_Dodge
  end
end

technique Blend_Sum
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Blend_Sum
  end
end
