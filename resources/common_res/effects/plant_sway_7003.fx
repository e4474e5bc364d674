effect 1
# A swaying plant: the picture bent sideways, the more the higher above its
# bottom edge (the root stays), by a slow sway of amplitude WMagnitude and a
# quicker ripple of amplitude BMagnitude, both driven by Time x Frequency.

texture Texture
float Time = 0
float Frequency = 0
float WMagnitude = 0
float BMagnitude = 0
float4 color = 1 1 1 1

program Sway
void main() {
  float h = 1.0 - v_tc0.y;
  float phase = Time * Frequency;
  float shift = WMagnitude * sin(phase) * h + BMagnitude * sin(phase * 2.7 + h * 3.0) * h * h;
  vec2 uv = vec2(v_tc0.x - shift, v_tc0.y);
  vec4 t = texture(Texture, uv);
  if (uv.x < 0.0 || uv.x > 1.0) t = vec4(0.0);
  o_color = t * color;
}
end

technique Main
  pass P0
    state ZENABLE = FALSE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Sway
  end
end
