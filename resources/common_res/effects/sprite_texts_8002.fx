effect 1
# Sprite texts: the text image ("Texture1") times the vertex colour; the
# scrolling text moves it by "ScrollPhase" (u, v) and repeats it.

texture Texture1
float2 ScrollPhase = 0 0

program Still
void main() { o_color = texture(Texture1, v_tc0) * v_col0; }
end

program Scroll
void main() { o_color = texture(Texture1, v_tc0 + ScrollPhase) * v_col0; }
end

technique CommonVretexColor
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Still
  end
end

technique ScrollText
  pass P0
    state ZENABLE = FALSE
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    sampler Texture1 MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    fragment Scroll
  end
end
