effect 1
# Bump lighting: the picture lit from "LightDir" (plus "AmbientLight") on the
# normals of "Bumpmap1" (its brightness differences one "BumpStep" apart,
# deepened by "Animator".x), the bump spread over the quad by
# "BumpTexScale"; "Animator".y holds the light back (1: none). A flat bump
# changes nothing. "Main" lays it over the target on the grid; "MainFX"
# writes the whole picture.

texture Background
float2 BumpStep
float4 BumpTexScale
float3 LightDir
float AmbientLight
float2 Animator
texture Bumpmap1

program Main
float Height(vec2 uv) { return dot(texture(Bumpmap1, uv).rgb, vec3(0.299, 0.587, 0.114)); }
// The light on the bump's normal at this point: 1 where the bump is flat.
float Lit() {
  vec2 buv = (v_tc0 - BumpTexScale.xy) * BumpTexScale.zw;
  float dx = Height(buv + vec2(BumpStep.x, 0.0)) - Height(buv - vec2(BumpStep.x, 0.0));
  float dy = Height(buv + vec2(0.0, BumpStep.y)) - Height(buv - vec2(0.0, BumpStep.y));
  vec3 nrm = normalize(vec3(-dx * Animator.x, -dy * Animator.x, 1.0));
  return clamp(dot(nrm, LightDir), 0.0, 1.0) + AmbientLight;
}
bool Bad() {
  return any(isnan(BumpStep)) || any(isinf(BumpStep)) || any(isnan(BumpTexScale)) || any(isinf(BumpTexScale)) ||
         any(isnan(LightDir)) || any(isinf(LightDir)) || isnan(AmbientLight) || isinf(AmbientLight) ||
         any(isnan(Animator)) || any(isinf(Animator));
}
void main() {
  if (Bad()) discard;
  vec3 b = texture(Background, v_tc0).rgb;
  o_color = vec4(clamp(b * Lit(), 0.0, 1.0), clamp(1.0 - Animator.y, 0.0, 1.0));
}
end

program MainFX
float Height(vec2 uv) { return dot(texture(Bumpmap1, uv).rgb, vec3(0.299, 0.587, 0.114)); }
// The light on the bump's normal at this point: 1 where the bump is flat.
float Lit() {
  vec2 buv = (v_tc0 - BumpTexScale.xy) * BumpTexScale.zw;
  float dx = Height(buv + vec2(BumpStep.x, 0.0)) - Height(buv - vec2(BumpStep.x, 0.0));
  float dy = Height(buv + vec2(0.0, BumpStep.y)) - Height(buv - vec2(0.0, BumpStep.y));
  vec3 nrm = normalize(vec3(-dx * Animator.x, -dy * Animator.x, 1.0));
  return clamp(dot(nrm, LightDir), 0.0, 1.0) + AmbientLight;
}
bool Bad() {
  return any(isnan(BumpStep)) || any(isinf(BumpStep)) || any(isnan(BumpTexScale)) || any(isinf(BumpTexScale)) ||
         any(isnan(LightDir)) || any(isinf(LightDir)) || isnan(AmbientLight) || isinf(AmbientLight) ||
         any(isnan(Animator)) || any(isinf(Animator));
}
void main() {
  vec3 b = texture(Background, v_tc0).rgb;
  if (Bad()) {
    o_color = vec4(b, 1.0);
    return;
  }
  o_color = vec4(mix(b, clamp(b * Lit(), 0.0, 1.0), clamp(1.0 - Animator.y, 0.0, 1.0)), 1.0);
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
    sampler Bumpmap1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    fragment Main
  end
end

technique MainFX
  pass P0
    state ALPHABLENDENABLE = FALSE
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Bumpmap1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    fragment MainFX
  end
end
