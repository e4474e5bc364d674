effect 1
# Particle quads of the node engine: coloured, textured sprites blended
# normally or added, from plain or premultiplied pictures.

texture Texture0
texture Texture1

program Modulate
void main() { o_color = texture(Texture0, v_tc0) * v_col0; }
end

# A premultiplied picture: the vertex alpha scales every channel.
program ModulatePM
void main() { o_color = texture(Texture0, v_tc0) * vec4(v_col0.rgb * v_col0.a, v_col0.a); }
end

technique BlendNormal
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    fragment Modulate
  end
end

technique BlendSum
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = ONE
    fragment Modulate
  end
end

technique BlendNormal_PMTexture
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    fragment Modulate
  end
end

technique BlendSum_PMTexture
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = ONE
    fragment Modulate
  end
end

technique BlendNormal_AlphaPM
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    fragment ModulatePM
  end
end
