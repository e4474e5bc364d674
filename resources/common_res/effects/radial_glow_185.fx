effect 1
# Radial glow sprites behind particles: a premultiplied soft picture blended
# normally or added.

texture Texture0

program Modulate
void main() { o_color = texture(Texture0, v_tc0) * v_col0; }
end

program ModulatePM
void main() { o_color = texture(Texture0, v_tc0) * vec4(v_col0.rgb * v_col0.a, v_col0.a); }
end

technique BlendNormal_AlphaPM
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    fragment ModulatePM
  end
end

# The picture is premultiplied: the added light is its colour times the vertex colour.
technique BlendSum
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = ONE
    fragment ModulatePM
  end
end
