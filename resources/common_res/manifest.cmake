# The built-in resource pack "common_res.dll": <type>:<id>:<file relative to resources/>.
# Pictures are type DDS, effects and meshes type 10 (RT_RCDATA).
list(APPEND COMMON_RES_RESOURCES
  DDS:5:images/slide_background.png
  DDS:6:images/camera.png
)
