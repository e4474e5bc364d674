effect 1
# Bend: the picture twisted about "Center" by "Angle" radians, the twist
# fading with the distance from the centre at the rate "Bend".

float4 Scale
texture Mask
texture Background
float2 mask_position
float2 Center
float Angle
float Bend

program Main
vec2 Warp() {
  vec2 aspect = vec2(Scale.x / Scale.y, 1.0);
  vec2 d = (v_tc0 - Center) * aspect;
  float th = Angle * exp(-Bend * length(d));
  float c = cos(th), s = sin(th);
  return Center + vec2(d.x * c - d.y * s, d.x * s + d.y * c) / aspect;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(Center)) || any(isinf(Center)) || isnan(Angle) || isinf(Angle) || isnan(Bend) || isinf(Bend);
}
void main() {
  if (Bad()) discard;
  float w = texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(texture(Background, Warp()).rgb, w * 1.0);
}
end

program MainFX
vec2 Warp() {
  vec2 aspect = vec2(Scale.x / Scale.y, 1.0);
  vec2 d = (v_tc0 - Center) * aspect;
  float th = Angle * exp(-Bend * length(d));
  float c = cos(th), s = sin(th);
  return Center + vec2(d.x * c - d.y * s, d.x * s + d.y * c) / aspect;
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || any(isnan(Center)) || any(isinf(Center)) || isnan(Angle) || isinf(Angle) || isnan(Bend) || isinf(Bend);
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  float w = clamp(texture(Mask, v_tc0 + mask_position).a * 1.0, 0.0, 1.0);
  o_color = vec4(mix(here, texture(Background, Warp()).rgb, w), 1.0);
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
