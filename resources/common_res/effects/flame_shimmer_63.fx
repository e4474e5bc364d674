effect 1
# The flame light's heat shimmer: the finished slide "Background" read through
# the offset map "Bumpmap" (red and green around 0.5), scaled by "bump_scale"
# and scrolled by "Offset", moved by up to "stenght" of its size; opaque, on
# the heat quad with the device's transforms.

texture Background
texture Bumpmap
float stenght
float2 Offset
float2 bump_scale

program Shimmer
void main() {
  vec3 here = texture(Background, v_tc0).rgb;
  if (isnan(stenght) || isinf(stenght) || any(isnan(Offset)) || any(isinf(Offset)) || any(isnan(bump_scale)) ||
      any(isinf(bump_scale))) {
    o_color = vec4(here, 1.0);
    return;
  }
  vec2 o = (texture(Bumpmap, v_tc0 * bump_scale + Offset).rg - vec2(0.5)) * 2.0 * stenght;
  o_color = vec4(texture(Background, v_tc0 + o).rgb, 1.0);
}
end

technique BumpmapDistortLow2
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Bumpmap MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    fragment Shimmer
  end
end
