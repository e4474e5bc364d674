effect 1
# Light wave: a band of light pi / "WaveFreq" pixels wide across the picture,
# centred on "WavePos" and running along "WaveDir" (pixels of a picture
# "BgSize" large), bright in its middle (cos), in the colour and strength of
# "BlendColor", mixed into the picture; writes the whole picture.

float2 WaveDir
float2 WavePos
float2 BgSize
float WaveFreq
float4 BlendColor
texture Mask
texture Background

program Blend_Normal
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec2 p = v_tc0 * BgSize;
  float x = dot(p - WavePos, WaveDir) * WaveFreq;
  float light = abs(x) < 1.5707964 ? cos(x) : 0.0;
  bool bad = any(isnan(BlendColor)) || any(isinf(BlendColor)) || isnan(x) || isinf(x);
  float a = bad ? 0.0 : clamp(BlendColor.a, 0.0, 1.0) * light * texture(Mask, v_tc0).a;
  o_color = vec4(mix(b, BlendColor.rgb, a), 1.0);
}
end

technique Blend_Normal
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Blend_Normal
  end
end
