effect 1
# Day to night: the picture desaturated by "Disaturate", multiplied by
# "mul_color" and soft-lit by "soft_light_color", mixed in by "Fade" and
# the mask's alpha ("Fade" 0 changes nothing). "Main" lays it over the
# target on the effect's grid; "MainFX" writes the whole picture.

float4 Scale
texture Mask
texture Background
float2 mask_position
float4 mul_color
float4 soft_light_color
float Fade
float Disaturate

program Main
vec3 Night(vec3 c) {
  vec3 grey = vec3(dot(c, vec3(0.299, 0.587, 0.114)));
  vec3 d = mix(c, grey, clamp(Disaturate, 0.0, 1.0)) * mul_color.rgb;
  vec3 s = soft_light_color.rgb;
  return clamp((vec3(1.0) - 2.0 * s) * d * d + 2.0 * s * d, 0.0, 1.0);
}
bool Bad() {
  return any(isnan(mul_color)) || any(isinf(mul_color)) || any(isnan(soft_light_color)) ||
         any(isinf(soft_light_color)) || isnan(Fade) || isinf(Fade) || isnan(Disaturate) || isinf(Disaturate) ||
         any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  if (Bad()) discard;
  vec3 b = texture(Background, v_tc0).rgb;
  o_color = vec4(Night(b), clamp(Fade, 0.0, 1.0) * texture(Mask, v_tc0 + mask_position).a);
}
end

program MainFX
vec3 Night(vec3 c) {
  vec3 grey = vec3(dot(c, vec3(0.299, 0.587, 0.114)));
  vec3 d = mix(c, grey, clamp(Disaturate, 0.0, 1.0)) * mul_color.rgb;
  vec3 s = soft_light_color.rgb;
  return clamp((vec3(1.0) - 2.0 * s) * d * d + 2.0 * s * d, 0.0, 1.0);
}
bool Bad() {
  return any(isnan(mul_color)) || any(isinf(mul_color)) || any(isnan(soft_light_color)) ||
         any(isinf(soft_light_color)) || isnan(Fade) || isinf(Fade) || isnan(Disaturate) || isinf(Disaturate) ||
         any(isnan(mask_position)) || any(isinf(mask_position));
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  float w = Bad() ? 0.0 : clamp(Fade, 0.0, 1.0) * texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(mix(b, Bad() ? b : Night(b), w), 1.0);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Main
  end
end

technique MainFX
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment MainFX
  end
end
