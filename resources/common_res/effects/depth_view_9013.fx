effect 1
# Perspective: the picture tilted about the axis line "Ln": across it the
# picture draws together by 1 + "amplitude" (the cosine of the tilt), and
# along it each side narrows or widens by "p_amplitude" with its distance
# (the side tilted away is smaller).

float4 Scale
texture Mask
texture Background
float2 mask_position
float2 Center
float3 Ln
float3 Lt
float2 t
float2 n
float amplitude
float p_amplitude

program Main
vec2 Warp() {
  vec2 nrm = normalize(Ln.xy);
  vec2 tng = normalize(Lt.xy);
  float across = dot(Ln, vec3(v_tc0, 1.0));
  float along = dot(Lt, vec3(v_tc0, 1.0)) / length(Lt.xy);
  float squeeze = max(1.0 + amplitude, 0.05);
  float src = across / squeeze;
  float widen = max(1.0 + p_amplitude * src * 0.1, 0.05);
  return v_tc0 + nrm * (src - across) + tng * (along / widen - along);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Ln)) || any(isinf(Ln)) || any(isnan(Lt)) || any(isinf(Lt)) || isnan(amplitude) || isinf(amplitude) || isnan(p_amplitude) || isinf(p_amplitude);
}
void main() {
  if (Bad()) discard;
  float w = texture(Mask, v_tc0 + mask_position).a;
  o_color = vec4(texture(Background, Warp()).rgb, w);
}
end

program MainFX
vec2 Warp() {
  vec2 nrm = normalize(Ln.xy);
  vec2 tng = normalize(Lt.xy);
  float across = dot(Ln, vec3(v_tc0, 1.0));
  float along = dot(Lt, vec3(v_tc0, 1.0)) / length(Lt.xy);
  float squeeze = max(1.0 + amplitude, 0.05);
  float src = across / squeeze;
  float widen = max(1.0 + p_amplitude * src * 0.1, 0.05);
  return v_tc0 + nrm * (src - across) + tng * (along / widen - along);
}
bool Bad() {
  return any(isnan(mask_position)) || any(isinf(mask_position)) || any(isnan(Ln)) || any(isinf(Ln)) || any(isnan(Lt)) || any(isinf(Lt)) || isnan(amplitude) || isinf(amplitude) || isnan(p_amplitude) || isinf(p_amplitude);
}
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(here, 1.0);
    return;
  }
  float w = texture(Mask, v_tc0 + mask_position).a;
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
