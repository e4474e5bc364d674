effect 1
# Explosion: a fireball on the quad. Two lookups of "NoiseTex" at the two
# offsets of "noise_shift" are cross-faded by "time" (the previous second's
# offset fades out); "noise_params" shapes it (radius, edge softness, how far
# the noise bites into the edge). The heat runs from the rim to the core and
# picks a colour between "color2" and "color1", tinted by "GradientTex"
# along the heat. "phase_1st" (2 -> 0 while appearing) shrinks the ball,
# "phase_3rd" (0 -> 1 while disappearing) burns it out from the rim.

texture GradientTex
texture NoiseTex
float3 color1 = 1 1 1
float3 color2 = 0 0 0
float4 noise_shift
float3 noise_params = 0.79 0.15 0.42
float2 time = 0 1
float2 phase_3rd = 0 1
float phase_1st

program Fireball
void main() {
  vec2 p = v_tc0 - vec2(0.5);
  float r = length(p) * 2.0;
  vec2 nu = v_tc0 * 0.75;
  float n0 = texture(NoiseTex, nu + noise_shift.xy).r;
  float n1 = texture(NoiseTex, nu + noise_shift.zw).r;
  float n = n0 * time.y + n1 * time.x;
  float radius = max(noise_params.x * (1.0 - 0.25 * clamp(phase_1st, 0.0, 2.0)), 0.001);
  float heat = clamp(1.0 - r / radius + (n - 0.5) * noise_params.z, 0.0, 1.0);
  float soft = max(noise_params.y, 0.001);
  float burn = clamp(phase_3rd.x, 0.0, 1.0);
  float a = smoothstep(burn, burn + soft, heat);
  vec3 g = texture(GradientTex, vec2(heat, 0.5)).rgb;
  vec3 c = mix(color2, color1, heat) * g;
  o_color = vec4(c, a * v_col0.a);
}
end

technique Main
  pass P0
    state ALPHABLENDENABLE = TRUE
    state SRCBLEND = SRCALPHA
    state DESTBLEND = INVSRCALPHA
    state ZENABLE = FALSE
    state CULLMODE = NONE
    sampler NoiseTex MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = WRAP ADDRESSV = WRAP
    sampler GradientTex MINFILTER = LINEAR MAGFILTER = LINEAR MIPFILTER = NONE ADDRESSU = CLAMP ADDRESSV = CLAMP
    fragment Fireball
  end
end
