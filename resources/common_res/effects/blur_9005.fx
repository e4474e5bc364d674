effect 1
# Two-pass blur: a Gaussian of 13 taps spread over "Radius" pixels either
# side along "PixelSize" (one pixel vertically, then horizontally), drawn
# into a private target with "WorldViewProj"; "FinalPass" lays the blurred
# picture over the target by the mask's alpha. Taps beyond the picture's
# edge repeat the edge.

float Radius
float2 PixelSize
matrix WorldViewProj
texture Mask
texture Background

# The passes inside the private target sample its texels at their centres.
program TransformExact
void main() {
  gl_Position = WorldViewProj * vec4(a_pos.xyz, 1.0);
  v_col0 = vec4(1.0);
  v_col1 = vec4(1.0);
  v_tc0 = a_tc0.xy;
  v_tc1 = a_tc0.xy;
  v_tc2 = a_tc0.xy;
  v_tc3 = a_tc0.xy;
}
end

# On the slide's target, pixel centres on integer positions as the picture
# itself is drawn.
program Transform
void main() {
  gl_Position = WorldViewProj * vec4(a_pos.xyz, 1.0);
  vec2 size = max(u_viewport.zw, vec2(1.0));
  gl_Position.xy += vec2(1.0 / size.x, -1.0 / size.y) * gl_Position.w;
  v_col0 = vec4(1.0);
  v_col1 = vec4(1.0);
  v_tc0 = a_tc0.xy;
  v_tc1 = a_tc0.xy;
  v_tc2 = a_tc0.xy;
  v_tc3 = a_tc0.xy;
}
end

program Blur
void main() {
  float r = (isnan(Radius) || isinf(Radius)) ? 0.0 : Radius;
  vec2 stepv = (any(isnan(PixelSize)) || any(isinf(PixelSize))) ? vec2(0.0) : PixelSize * r;
  vec3 sum = vec3(0.0);
  float total = 0.0;
  for (int i = 0; i < 13; ++i) {
    float x = (float(i) - 6.0) / 6.0;
    float g = exp(-2.0 * x * x);
    sum += texture(Background, v_tc0 + stepv * x).rgb * g;
    total += g;
  }
  o_color = vec4(sum / total, 1.0);
}
end

program Final
void main() {
  o_color = vec4(texture(Background, v_tc0).rgb, texture(Mask, v_tc0).a);
}
end

technique BlurPassBG
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex TransformExact
    fragment Blur
  end
end

technique BlurPass
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex TransformExact
    fragment Blur
  end
end

technique FinalPass
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Final
  end
end
