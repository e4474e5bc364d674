effect 1
# Static animation: the picture's current frame ("Texture") times "Color"
# (colour 1 with its alpha scaled by the visibility), laid over the scene
# with normal alpha.

texture Texture
float4 Color = 1 1 1 1

program Sprite
void main() { o_color = texture(Texture, v_tc0) * Color; }
end

technique Blend_Normal
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Sprite
  end
end
