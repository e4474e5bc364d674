effect 1
# Particle quads of the node engine. Texture0 is the particle picture with
# premultiplied alpha; the "_PMTexture" techniques draw it (the vertex alpha
# scales every channel). BlendNormal and BlendSum draw background-mode
# particles: Texture1 (the background) at the second texture pair, under
# Texture0's alpha. Texture0 and Texture1 take samplers 0 and 1.
# BlendNormal_AlphaPM draws into blur targets, whose alpha the glow reads: it
# writes alpha even where the player masks it off. Ribbons and bands come in
# both windings: nothing is culled.

texture Texture0
texture Texture1

# A premultiplied picture: the vertex alpha scales every channel.
program ModulatePM
void main() { o_color = texture(Texture0, v_tc0) * vec4(v_col0.rgb * v_col0.a, v_col0.a); }
end

# The background seen through the picture's shape.
program Background
void main() {
  vec4 shape = texture(Texture0, v_tc0);
  vec4 seen = texture(Texture1, v_tc1);
  o_color = vec4(seen.rgb * v_col0.rgb, shape.a * v_col0.a);
}
end

technique BlendNormal
  pass P0
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    fragment Background
  end
end

technique BlendSum
  pass P0
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = ONE
    fragment Background
  end
end

technique BlendNormal_PMTexture
  pass P0
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    fragment ModulatePM
  end
end

technique BlendSum_PMTexture
  pass P0
    state CULLMODE = NONE
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    fragment ModulatePM
  end
end

technique BlendNormal_AlphaPM
  pass P0
    state CULLMODE = NONE
    state COLORWRITEENABLE = 15
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    fragment ModulatePM
  end
end
