effect 1
# Flickering light: the picture lit toward white by "multiplier" (0 changes
# nothing). "Main" lays the light over the target; "MainFX" writes the lit
# picture.

float multiplier
float2 mask_position
float4 Scale
texture Mask
texture Background

program Main
void main() {
  float w = texture(Mask, v_tc0 + mask_position).a;
  float m = clamp(multiplier, 0.0, 1.0);
  bool bad = isnan(multiplier) || isinf(multiplier) || any(isnan(mask_position)) || any(isinf(mask_position));
  if (bad) discard;
  o_color = vec4(1.0, 1.0, 1.0, m * w);
}
end

program MainFX
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  float w = texture(Mask, v_tc0 + mask_position).a;
  bool bad = isnan(multiplier) || isinf(multiplier) || any(isnan(mask_position)) || any(isinf(mask_position));
  float m = bad ? 0.0 : clamp(multiplier, 0.0, 1.0) * w;
  o_color = vec4(here + (vec3(1.0) - here) * m, 1.0);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Main
  end
end

technique MainFX
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment MainFX
  end
end
