effect 1
# Quads of the tree-structured particle systems (24-byte vertices: position,
# colour, one texture pair). Straight-alpha pictures blend normally or add
# under their alpha; premultiplied ones blend with the vertex alpha scaling
# every channel. PartyBalloon lights the picture with two light maps.

texture Texture0
texture Texture1
texture Texture2
float3 LightMapsOpacity = 1 0 0

program Modulate
void main() { o_color = texture(Texture0, v_tc0) * v_col0; }
end

program ModulatePM
void main() { o_color = texture(Texture0, v_tc0) * vec4(v_col0.rgb * v_col0.a, v_col0.a); }
end

# The picture times the vertex colour, plus the light maps weighted by their
# opacities, under the picture's alpha.
program Balloon
void main() {
  vec4 picture = texture(Texture0, v_tc0);
  vec3 lit = picture.rgb * v_col0.rgb + texture(Texture1, v_tc0).rgb * LightMapsOpacity.y +
             texture(Texture2, v_tc0).rgb * LightMapsOpacity.z;
  o_color = vec4(clamp(lit, 0.0, 1.0), picture.a * v_col0.a);
}
end

technique BlendNormal
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state CULLMODE = NONE
    fragment Modulate
  end
end

technique BlendNormal_AlphaPM
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = INVSRCALPHA
    state CULLMODE = NONE
    fragment ModulatePM
  end
end

technique BlendSum
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = ONE
    state CULLMODE = NONE
    fragment Modulate
  end
end

technique PartyBalloon
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state CULLMODE = NONE
    fragment Balloon
  end
end
