# The built-in resource pack "common_res.dll": <type>:<id>:<file relative to resources/>.
# Pictures and .X meshes are type DDS (the loaders look meshes up as "DDS"),
# effects are type 10 (RT_RCDATA) in our effect text format.
list(APPEND COMMON_RES_RESOURCES
  DDS:5:images/slide_background.png
  DDS:6:images/camera.png
  DDS:228:common_res/images/trace_228.png
  DDS:62:common_res/images/bump_62.png
  10:185:common_res/effects/radial_glow_185.fx
  10:202:common_res/effects/blur_glow_202.fx
  10:306:common_res/effects/particle_quads_306.fx
  10:75:common_res/effects/background_copy_75.fx
  10:76:common_res/effects/light_76.fx
  10:78:common_res/effects/pattern_brush_78.fx
  10:190:common_res/effects/light_blends_190.fx
  10:9001:common_res/effects/erase_layer_9001.fx
  10:9002:common_res/effects/light_wave_9002.fx
  10:9003:common_res/effects/colour_shift_9003.fx
  10:9004:common_res/effects/saturation_9004.fx
  10:9005:common_res/effects/blur_9005.fx
  10:102:common_res/effects/expand_102.fx
  10:103:common_res/effects/radial_wave_103.fx
  10:9006:common_res/effects/rotation_9006.fx
  10:9007:common_res/effects/bend_9007.fx
  10:9008:common_res/effects/kestrane_radial_9008.fx
  10:9009:common_res/effects/kestrane_vortical_9009.fx
  10:9010:common_res/effects/clouds_9010.fx
  10:9011:common_res/effects/caustics_9011.fx
  10:9012:common_res/effects/day_to_night_9012.fx
  10:9013:common_res/effects/perspective_9013.fx
  10:9014:common_res/effects/stretch_9014.fx
  10:9015:common_res/effects/turn_9015.fx
  10:9016:common_res/effects/kestrane_linear_9016.fx
  10:9017:common_res/effects/heat_9017.fx
  10:9018:common_res/effects/bump_9018.fx
  DDS:901:common_res/meshes/cube_text.x
  DDS:902:common_res/meshes/cube_binary.x
  DDS:903:common_res/meshes/plane_text.x
  DDS:904:common_res/meshes/plane_binary.x
)
