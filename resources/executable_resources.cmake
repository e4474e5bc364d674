# The executable's resources: <type>:<id>:<file relative to resources/>.
list(APPEND EXECUTABLE_RESOURCES
  3:1:images/icon.png
  DDS:2:images/noise.png
  DDS:107:${SAMPLE_PROJECT_FILE}
)
