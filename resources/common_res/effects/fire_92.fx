effect 1
# Fire: three copies of "Noise" scrolled upwards by "c11" to "c13" bend the
# lookup into the flame shape "Pattern" (bright at the bottom); its intensity,
# raised by "Density", maps from the base colour "ColorK1" to the tip colour
# "ColorK1" + "ColorK2" and is added over what lies beneath, as strong as
# "Brightness" over 0.3. "Main" draws on the effect's grid, "AsEffect" on the
# flame light's band; both with the device's transforms.

matrix WorldViewProj
matrix ViewProj
texture Noise
texture Pattern
texture Mask
texture Background
float2 c11
float2 c12
float2 c13
float3 ColorK1 = 1 0 0
float3 ColorK2 = 0 1 0
float2 bg_scale_factor
float Brightness = 0.3
float Density = 0

program Flame
bool Bad() {
  return any(isnan(c11)) || any(isinf(c11)) || any(isnan(c12)) || any(isinf(c12)) || any(isnan(c13)) ||
         any(isinf(c13)) || isnan(Brightness) || isinf(Brightness) || isnan(Density) || isinf(Density) ||
         any(isnan(ColorK1)) || any(isinf(ColorK1)) || any(isnan(ColorK2)) || any(isinf(ColorK2));
}
void main() {
  if (Bad()) discard;
  vec2 uv = v_tc0;
  float n = (texture(Noise, uv + c11).r + texture(Noise, uv * 2.0 + c12).r + texture(Noise, uv * 3.0 + c13).r) / 3.0;
  vec2 p = uv + vec2(0.12, 0.25) * (n - 0.5);
  float i = clamp(texture(Pattern, vec2(p.x, clamp(p.y, 0.0, 1.0))).r + Density, 0.0, 1.0);
  vec3 c = clamp(ColorK1 + ColorK2 * i, 0.0, 1.0);
  float a = clamp(i * Brightness / 0.3, 0.0, 1.0);
  o_color = vec4(c * a, 1.0);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Noise MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    sampler Pattern MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = CLAMP
    fragment Flame
  end
end

technique AsEffect
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Noise MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    sampler Pattern MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = CLAMP
    fragment Flame
  end
end
