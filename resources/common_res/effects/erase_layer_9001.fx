effect 1
# Erase layer: what was drawn before it (the "Background") laid back over the
# plain picture with the weight mask_mod.x + mask_mod.y x mask alpha, so that
# where the weight is 0 the layer is erased down to the picture. Both
# techniques compose by that weight.

float2 mask_mod
float2 mask_position
float4 Scale
texture Mask
texture Background

program Keep
void main() {
  float m = texture(Mask, v_tc0 + mask_position).a;
  bool bad = any(isnan(mask_mod)) || any(isinf(mask_mod)) || any(isnan(mask_position)) || any(isinf(mask_position));
  float keep = bad ? 1.0 : clamp(mask_mod.x + mask_mod.y * m, 0.0, 1.0);
  o_color = vec4(texture(Background, v_tc0).rgb, keep);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Keep
  end
end

technique MainFX
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    sampler Background MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    sampler Mask MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Keep
  end
end
