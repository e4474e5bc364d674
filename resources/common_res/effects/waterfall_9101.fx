effect 1
# Waterfall: "Noise" lays the picture over itself moved by up to
# "noise_amplitude" of its size by the noise picture "NoiseMap" (red and green
# around 0.5), scaled by "bump_scale" and flowing by "noise_shift";
# "ColorWaves" lays one layer of the picture slid by "shift", tinted half way
# to "base_color", where it is brighter than "treshold", at "transluency".
# Both on the effect's grid by the mask's alpha.

texture Mask
texture Background
texture NoiseMap
float2 noise_shift
float2 bump_scale
float noise_amplitude
float3 base_color
float treshold
float2 shift
float transluency

program Noise
void main() {
  if (any(isnan(noise_shift)) || any(isinf(noise_shift)) || any(isnan(bump_scale)) || any(isinf(bump_scale)) ||
      isnan(noise_amplitude) || isinf(noise_amplitude)) discard;
  vec2 o = (texture(NoiseMap, v_tc0 * bump_scale + noise_shift).rg - vec2(0.5)) * 2.0 * noise_amplitude;
  o_color = vec4(texture(Background, v_tc0 + o).rgb, texture(Mask, v_tc0).a);
}
end

program ColorWaves
void main() {
  if (any(isnan(shift)) || any(isinf(shift)) || isnan(transluency) || isinf(transluency) || isnan(treshold) ||
      isinf(treshold) || any(isnan(base_color)) || any(isinf(base_color))) discard;
  vec3 c = texture(Background, v_tc0 + shift).rgb;
  float lum = dot(c, vec3(0.299, 0.587, 0.114));
  float w = clamp(1.0 - (treshold - lum) * 4.0, 0.0, 1.0);
  float a = clamp(transluency * w, 0.0, 1.0) * texture(Mask, v_tc0).a;
  o_color = vec4(mix(c, base_color, 0.5), a);
}
end

technique Noise
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler NoiseMap MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    fragment Noise
  end
end

technique ColorWaves
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment ColorWaves
  end
end
