# The built-in resource pack "common_res.dll": <type>:<id>:<file relative to resources/>.
# Pictures and .X meshes are type DDS (the loaders look meshes up as "DDS"),
# effects are type 10 (RT_RCDATA) in our effect text format.
list(APPEND COMMON_RES_RESOURCES
  DDS:5:images/slide_background.png
  DDS:6:images/camera.png
  DDS:95:common_res/images/bolt_95.png
  DDS:98:common_res/images/bolt_98.png
  DDS:228:common_res/images/trace_228.png
  DDS:40:common_res/images/glyphs_40.png
  DDS:58:common_res/images/glass_highlight_58.png
  DDS:59:common_res/images/glass_rim_59.png
  DDS:184:common_res/images/stand_184.png
  DDS:6001:common_res/images/particle_dot_6001.png
  DDS:6002:common_res/images/particle_atlas_6002.png
  DDS:6003:common_res/images/particle_puff_6003.png
  10:185:common_res/effects/radial_glow_185.fx
  10:97:common_res/effects/glow_sprites_97.fx
  10:202:common_res/effects/blur_glow_202.fx
  10:306:common_res/effects/particle_quads_306.fx
  10:7001:common_res/effects/generator_blends_7001.fx
  10:7002:common_res/effects/generator_glow_7002.fx
  10:7003:common_res/effects/plant_sway_7003.fx
  10:7004:common_res/effects/falling_stars_7004.fx
  10:6001:common_res/effects/classic_particles_6001.fx
  DDS:901:common_res/meshes/cube_text.x
  DDS:902:common_res/meshes/cube_binary.x
  DDS:903:common_res/meshes/plane_text.x
  DDS:904:common_res/meshes/plane_binary.x
)
