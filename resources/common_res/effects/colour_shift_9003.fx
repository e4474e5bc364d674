effect 1
# Colour shift: each colour's hue turned by "color_shift" (in whole turns),
# its saturation s and value v mapped to s x sat.x + sat.y and v x val.x +
# val.y ({1, 0} keeps them). "Main" lays the shifted picture over the target
# by the mask's alpha; "MainFX" writes the picture with it mixed in.

float color_shift
float2 val_shift
float2 sat_shift
float2 mask_position
float4 Scale
texture Mask
texture Background

program Main
vec3 Shifted(vec3 c) {
  float mx = max(c.r, max(c.g, c.b));
  float mn = min(c.r, min(c.g, c.b));
  float d = mx - mn;
  float h = 0.0;
  if (d > 0.0) {
    if (mx == c.r) h = mod((c.g - c.b) / d, 6.0);
    else if (mx == c.g) h = (c.b - c.r) / d + 2.0;
    else h = (c.r - c.g) / d + 4.0;
  }
  h = fract(h / 6.0 + color_shift);
  float s = mx > 0.0 ? d / mx : 0.0;
  s = clamp(s * sat_shift.x + sat_shift.y, 0.0, 1.0);
  float v = clamp(mx * val_shift.x + val_shift.y, 0.0, 1.0);
  vec3 k = clamp(abs(mod(h * 6.0 + vec3(0.0, 4.0, 2.0), 6.0) - 3.0) - 1.0, 0.0, 1.0);
  return v * mix(vec3(1.0), k, s);
}
bool Bad() {
  return isnan(color_shift) || isinf(color_shift) || any(isnan(val_shift)) || any(isinf(val_shift)) ||
         any(isnan(sat_shift)) || any(isinf(sat_shift)) || any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  if (Bad()) discard;
  vec3 b = texture(Background, v_tc0).rgb;
  o_color = vec4(Shifted(b), texture(Mask, v_tc0 + mask_position).a);
}
end

program MainFX
vec3 Shifted(vec3 c) {
  float mx = max(c.r, max(c.g, c.b));
  float mn = min(c.r, min(c.g, c.b));
  float d = mx - mn;
  float h = 0.0;
  if (d > 0.0) {
    if (mx == c.r) h = mod((c.g - c.b) / d, 6.0);
    else if (mx == c.g) h = (c.b - c.r) / d + 2.0;
    else h = (c.r - c.g) / d + 4.0;
  }
  h = fract(h / 6.0 + color_shift);
  float s = mx > 0.0 ? d / mx : 0.0;
  s = clamp(s * sat_shift.x + sat_shift.y, 0.0, 1.0);
  float v = clamp(mx * val_shift.x + val_shift.y, 0.0, 1.0);
  vec3 k = clamp(abs(mod(h * 6.0 + vec3(0.0, 4.0, 2.0), 6.0) - 3.0) - 1.0, 0.0, 1.0);
  return v * mix(vec3(1.0), k, s);
}
bool Bad() {
  return isnan(color_shift) || isinf(color_shift) || any(isnan(val_shift)) || any(isinf(val_shift)) ||
         any(isnan(sat_shift)) || any(isinf(sat_shift)) || any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(b, 1.0);
    return;
  }
  o_color = vec4(mix(b, Shifted(b), texture(Mask, v_tc0 + mask_position).a), 1.0);
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
