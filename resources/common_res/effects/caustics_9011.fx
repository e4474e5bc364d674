effect 1
# Caustics: a net of light lines on a plane tilted by "Perspective" about the
# axis through the centre ("r_matrix2"), scaled by "cauScale", moving with
# "fTime", sharpened by "fPower" and as bright as "fBrightness"; the light
# meets the picture in five layer blends with "BlendColor" (as the coloured
# lights do) and the mask's alpha, and each writes the whole picture.

float4 Perspective
matrix r_matrix2
matrix r_matrix5
matrix WorldViewProj
float2 cauScale
float fTime
float fBrightness
float fPower
float4 BlendColor
texture Mask
texture Background

# Pixel centres on integer positions, as the picture itself is drawn.
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

program Blend_Normal
float Light() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float denom = max(Perspective.x + q.y * Perspective.y * 2.0, 0.05);
  vec2 p = q / denom * cauScale * 3.0;
  float a = sin(p.x * 6.2831855 + sin(p.y * 5.0265 + fTime) * 1.5);
  float c = sin(p.y * 6.2831855 + sin(p.x * 5.6549 - fTime * 0.8) * 1.5);
  float net = pow(clamp(1.0 - min(abs(a), abs(c)), 0.0, 1.0), max(fPower, 0.1));
  return clamp(net * fBrightness * 0.04, 0.0, 1.0) * texture(Mask, v_tc0).a;
}
bool Bad() {
  return any(isnan(Perspective.xy)) || any(isinf(Perspective.xy)) || any(isnan(cauScale)) || any(isinf(cauScale)) ||
         isnan(fTime) || isinf(fTime) || isnan(fBrightness) || isinf(fBrightness) || isnan(fPower) || isinf(fPower);
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  float a = Bad() ? 0.0 : Light();
  o_color = vec4(mix(b, C, a), 1.0);
}
end

program Blend_Screen
float Light() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float denom = max(Perspective.x + q.y * Perspective.y * 2.0, 0.05);
  vec2 p = q / denom * cauScale * 3.0;
  float a = sin(p.x * 6.2831855 + sin(p.y * 5.0265 + fTime) * 1.5);
  float c = sin(p.y * 6.2831855 + sin(p.x * 5.6549 - fTime * 0.8) * 1.5);
  float net = pow(clamp(1.0 - min(abs(a), abs(c)), 0.0, 1.0), max(fPower, 0.1));
  return clamp(net * fBrightness * 0.04, 0.0, 1.0) * texture(Mask, v_tc0).a;
}
bool Bad() {
  return any(isnan(Perspective.xy)) || any(isinf(Perspective.xy)) || any(isnan(cauScale)) || any(isinf(cauScale)) ||
         isnan(fTime) || isinf(fTime) || isnan(fBrightness) || isinf(fBrightness) || isnan(fPower) || isinf(fPower);
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  float a = Bad() ? 0.0 : Light();
  o_color = vec4(mix(b, vec3(1.0) - (vec3(1.0) - b) * (vec3(1.0) - C), a), 1.0);
}
end

program Blend_ColorDodge
float Light() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float denom = max(Perspective.x + q.y * Perspective.y * 2.0, 0.05);
  vec2 p = q / denom * cauScale * 3.0;
  float a = sin(p.x * 6.2831855 + sin(p.y * 5.0265 + fTime) * 1.5);
  float c = sin(p.y * 6.2831855 + sin(p.x * 5.6549 - fTime * 0.8) * 1.5);
  float net = pow(clamp(1.0 - min(abs(a), abs(c)), 0.0, 1.0), max(fPower, 0.1));
  return clamp(net * fBrightness * 0.04, 0.0, 1.0) * texture(Mask, v_tc0).a;
}
bool Bad() {
  return any(isnan(Perspective.xy)) || any(isinf(Perspective.xy)) || any(isnan(cauScale)) || any(isinf(cauScale)) ||
         isnan(fTime) || isinf(fTime) || isnan(fBrightness) || isinf(fBrightness) || isnan(fPower) || isinf(fPower);
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  float a = Bad() ? 0.0 : Light();
  o_color = vec4(mix(b, min(b / max(vec3(1.0) - C, vec3(1.0 / 255.0)), vec3(1.0)), a), 1.0);
}
end

program Linear_Dodge
float Light() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float denom = max(Perspective.x + q.y * Perspective.y * 2.0, 0.05);
  vec2 p = q / denom * cauScale * 3.0;
  float a = sin(p.x * 6.2831855 + sin(p.y * 5.0265 + fTime) * 1.5);
  float c = sin(p.y * 6.2831855 + sin(p.x * 5.6549 - fTime * 0.8) * 1.5);
  float net = pow(clamp(1.0 - min(abs(a), abs(c)), 0.0, 1.0), max(fPower, 0.1));
  return clamp(net * fBrightness * 0.04, 0.0, 1.0) * texture(Mask, v_tc0).a;
}
bool Bad() {
  return any(isnan(Perspective.xy)) || any(isinf(Perspective.xy)) || any(isnan(cauScale)) || any(isinf(cauScale)) ||
         isnan(fTime) || isinf(fTime) || isnan(fBrightness) || isinf(fBrightness) || isnan(fPower) || isinf(fPower);
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  float a = Bad() ? 0.0 : Light();
  o_color = vec4(mix(b, min(b + C, vec3(1.0)), a), 1.0);
}
end

program Blend_Sum
float Light() {
  vec2 q = (r_matrix2 * vec4(v_tc0, 1.0, 0.0)).xy;
  float denom = max(Perspective.x + q.y * Perspective.y * 2.0, 0.05);
  vec2 p = q / denom * cauScale * 3.0;
  float a = sin(p.x * 6.2831855 + sin(p.y * 5.0265 + fTime) * 1.5);
  float c = sin(p.y * 6.2831855 + sin(p.x * 5.6549 - fTime * 0.8) * 1.5);
  float net = pow(clamp(1.0 - min(abs(a), abs(c)), 0.0, 1.0), max(fPower, 0.1));
  return clamp(net * fBrightness * 0.04, 0.0, 1.0) * texture(Mask, v_tc0).a;
}
bool Bad() {
  return any(isnan(Perspective.xy)) || any(isinf(Perspective.xy)) || any(isnan(cauScale)) || any(isinf(cauScale)) ||
         isnan(fTime) || isinf(fTime) || isnan(fBrightness) || isinf(fBrightness) || isnan(fPower) || isinf(fPower);
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  vec3 C = BlendColor.rgb;
  float a = Bad() ? 0.0 : Light();
  o_color = vec4(min(b + C * a, vec3(1.0)), 1.0);
}
end

technique Blend_Normal
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Blend_Normal
  end
end

technique Blend_Screen
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Blend_Screen
  end
end

technique Blend_ColorDodge
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Blend_ColorDodge
  end
end

technique Linear_Dodge
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Linear_Dodge
  end
end

technique Blend_Sum
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    vertex Transform
    fragment Blend_Sum
  end
end
