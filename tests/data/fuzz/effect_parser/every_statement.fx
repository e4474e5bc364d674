effect 1
float4 Tint = 1 0.5 0.25 1
float2 Offset
matrix Transform
texture Tex
program V
void main() { gl_Position = Transform * vec4(a_pos.xyz, 1.0); v_tc0 = a_tc0.xy; v_col0 = a_col0; }
end
program F
void main() { o_color = texture(Tex, v_tc0) * Tint + vec4(Offset, 0.0, 0.0); }
end
technique T
  pass P
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = ONE
    state DESTBLEND = 6
    sampler Tex MINFILTER = LINEAR ADDRESSU = CLAMP
    vertex V
    fragment F
  end
end
