effect 1
# Clouds: the cloud picture ("Background", repeated) laid on a plane that
# recedes toward the top of the effect's grid ("PX_Transform" narrows the far
# side, "PY_TransformH" stretches the depth), moved and mirrored by
# "tex_shift", tiled by "Scale" and drifting by "Velocity". Its brightness
# above "Threshold" - 1, times "Density", is the cloud cover, coloured
# between "ColorK1" (thin) and "ColorK2" (thick). Both techniques lay the
# clouds over the target by their cover and the mask's alpha (the mask's
# place in the picture from "mask_tex_shift").

float4 Scale
texture Mask
texture Background
float2 mask_position
float Threshold
float Density
float3 ColorK1
float3 ColorK2
float2 Velocity
float4 mask_tex_shift
float PX_Transform
float PY_TransformH
float PY_TransformZ
float4 tex_shift

program Clouds
bool Bad() {
  return isnan(PX_Transform) || isinf(PX_Transform) || isnan(PY_TransformH) || isinf(PY_TransformH) ||
         any(isnan(tex_shift)) || any(isinf(tex_shift)) || any(isnan(Velocity)) || any(isinf(Velocity)) ||
         any(isnan(Scale.xy)) || any(isinf(Scale.xy)) || isnan(Threshold) || isnan(Density);
}
void main() {
  if (Bad()) discard;
  float far = 1.0 - v_tc0.y;
  float w = max(1.0 - PX_Transform * far, 0.05);
  vec2 plane = vec2((v_tc0.x - 0.5) / w + 0.5, v_tc0.y / w * PY_TransformH);
  vec2 cu = vec2(plane.x * tex_shift.x + tex_shift.z, plane.y * tex_shift.y + tex_shift.w);
  cu = cu * Scale.xy + Velocity;
  vec3 c = texture(Background, cu).rgb;
  float lum = dot(c, vec3(0.299, 0.587, 0.114));
  float cover = clamp((lum - (Threshold - 1.0)) * Density, 0.0, 1.0);
  vec2 mu = vec2(v_tc0.x * mask_tex_shift.x + mask_tex_shift.y, v_tc0.y * mask_tex_shift.z + mask_tex_shift.w);
  float m = texture(Mask, mu + mask_position).a;
  o_color = vec4(mix(ColorK1, ColorK2, lum), cover * m);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Clouds
  end
end

technique MainFX
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Clouds
  end
end
