effect 1
# Fire: three copies of "Noise" scrolled upwards by "c11" to "c13" bend the
# lookup into the flame shape "Pattern" (bright at the bottom); its intensity,
# raised by "Density", maps from the base colour "ColorK1" to the tip colour
# "ColorK1" + "ColorK2" and is added over what lies beneath, as strong as
# "Brightness" over 0.3. "Main" draws on the effect's grid, weighed by the
# mask's alpha at the grid point's place in the picture (its position times
# "bg_scale_factor"); "AsEffect" draws on the flame light's band, which has
# no mask. Both with the device's transforms.

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

# The device's transform, pixel centres on integer positions as the picture
# itself is drawn; v_tc1 the picture's uv for the mask.
program Placed
void main() {
  vec2 size = max(u_viewport.zw, vec2(1.0));
  gl_Position = u_wvp * vec4(a_pos.xyz, 1.0);
  gl_Position.xy += vec2(1.0 / size.x, -0.984375 / size.y) * gl_Position.w;
  v_col0 = a_col0;
  v_col1 = a_col1;
  v_tc0 = a_tc0.xy;
  v_tc1 = a_pos.xy * bg_scale_factor;
  v_tc2 = a_tc2.xy;
  v_tc3 = a_tc3.xy;
}
end

program Flame
bool Bad() {
  return any(isnan(c11)) || any(isinf(c11)) || any(isnan(c12)) || any(isinf(c12)) || any(isnan(c13)) ||
         any(isinf(c13)) || isnan(Brightness) || isinf(Brightness) || isnan(Density) || isinf(Density) ||
         any(isnan(ColorK1)) || any(isinf(ColorK1)) || any(isnan(ColorK2)) || any(isinf(ColorK2));
}
vec3 Light() {
  vec2 uv = v_tc0;
  float n = (texture(Noise, uv + c11).r + texture(Noise, uv * 2.0 + c12).r + texture(Noise, uv * 3.0 + c13).r) / 3.0;
  vec2 p = uv + vec2(0.12, 0.25) * (n - 0.5);
  float i = clamp(texture(Pattern, vec2(p.x, clamp(p.y, 0.0, 1.0))).r + Density, 0.0, 1.0);
  vec3 c = clamp(ColorK1 + ColorK2 * i, 0.0, 1.0);
  float a = clamp(i * Brightness / 0.3, 0.0, 1.0);
  return c * a;
}
void main() {
  if (Bad()) discard;
  o_color = vec4(Light(), 1.0);
}
end

program MaskedFlame
bool Bad() {
  return any(isnan(c11)) || any(isinf(c11)) || any(isnan(c12)) || any(isinf(c12)) || any(isnan(c13)) ||
         any(isinf(c13)) || isnan(Brightness) || isinf(Brightness) || isnan(Density) || isinf(Density) ||
         any(isnan(ColorK1)) || any(isinf(ColorK1)) || any(isnan(ColorK2)) || any(isinf(ColorK2)) ||
         any(isnan(bg_scale_factor)) || any(isinf(bg_scale_factor));
}
vec3 Light() {
  vec2 uv = v_tc0;
  float n = (texture(Noise, uv + c11).r + texture(Noise, uv * 2.0 + c12).r + texture(Noise, uv * 3.0 + c13).r) / 3.0;
  vec2 p = uv + vec2(0.12, 0.25) * (n - 0.5);
  float i = clamp(texture(Pattern, vec2(p.x, clamp(p.y, 0.0, 1.0))).r + Density, 0.0, 1.0);
  vec3 c = clamp(ColorK1 + ColorK2 * i, 0.0, 1.0);
  float a = clamp(i * Brightness / 0.3, 0.0, 1.0);
  return c * a;
}
void main() {
  if (Bad()) discard;
  o_color = vec4(Light() * texture(Mask, v_tc1).a, 1.0);
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
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment MaskedFlame
    vertex Placed
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
