# The executable's resources: <type>:<id>:<file relative to resources/>.
list(APPEND EXECUTABLE_RESOURCES
  DDS:2:images/noise.png
  DDS:107:${SAMPLE_PROJECT_FILE}
)
