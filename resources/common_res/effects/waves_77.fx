effect 1
# Waves: the picture moved along "direction_n" by up to "amplitude" of its
# size, the shift a sine along "direction" with "frequency" waves per picture
# width that travel with "time".

float4 Scale
texture Mask
texture Background
float2 mask_position
float2 direction
float2 direction_n
float frequency
float amplitude
float time

program Main
vec3 Shade(vec3 c) { return c; }
vec2 Warp() {
  float s = dot(v_tc0, direction) - time;
  return v_tc0 + direction_n * amplitude * sin(6.2831853 * s * frequency);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(direction)) || any(isinf(direction)) || any(isnan(direction_n)) || any(isinf(direction_n)) || isnan(frequency) || isinf(frequency) || isnan(amplitude) || isinf(amplitude) || isnan(time) || isinf(time);
}
void main() {
  if (Bad()) discard;
  o_color = vec4(Shade(texture(Background, Warp()).rgb), texture(Mask, v_tc0 + mask_position).a);
}
end

program MainFX
vec3 Shade(vec3 c) { return c; }
vec2 Warp() {
  float s = dot(v_tc0, direction) - time;
  return v_tc0 + direction_n * amplitude * sin(6.2831853 * s * frequency);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(direction)) || any(isinf(direction)) || any(isnan(direction_n)) || any(isinf(direction_n)) || isnan(frequency) || isinf(frequency) || isnan(amplitude) || isinf(amplitude) || isnan(time) || isinf(time);
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  float w = clamp(texture(Mask, v_tc0 + mask_position).a, 0.0, 1.0);
  o_color = vec4(mix(here, Shade(texture(Background, Warp()).rgb), w), 1.0);
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
