effect 1
# Background copy: the picture (or the copied object) shifted by "offset",
# a fraction of the picture. "Main" lays the shifted copy over the target;
# "MainFX" writes the picture with the copy mixed in. Outside the picture the
# copy shows nothing. Mask weight is the mask's alpha (a null mask: all).

float2 offset
float2 mask_position
float4 Scale
texture Mask
texture Background

program Main
void main() {
  vec2 uv = v_tc0 - offset;
  float w = texture(Mask, v_tc0 + mask_position).a;
  bool bad = any(isnan(offset)) || any(isinf(offset)) || any(isnan(mask_position)) || any(isinf(mask_position));
  bool inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0)));
  if (bad || !inside) discard;
  o_color = vec4(texture(Background, uv).rgb, w);
}
end

program MainFX
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  vec2 uv = v_tc0 - offset;
  float w = texture(Mask, v_tc0 + mask_position).a;
  bool bad = any(isnan(offset)) || any(isinf(offset)) || any(isnan(mask_position)) || any(isinf(mask_position));
  bool inside = all(greaterThanEqual(uv, vec2(0.0))) && all(lessThanEqual(uv, vec2(1.0)));
  vec3 c = (inside && !bad) ? texture(Background, uv).rgb : here;
  o_color = vec4(mix(here, c, bad ? 0.0 : w), 1.0);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
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
