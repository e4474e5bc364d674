// The player program itself, given a crafted project file on its command
// line: it opens it on its full-screen path and plays until it is closed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/sample/sample_project.h"

namespace {

struct PlayerRun {
  int exitCode = -1;
  std::string output;
};

// Runs the player headless; the test hook closes it after closeAfterMs. Its
// temporary files go to tempDir when one is given.
PlayerRun RunPlayer(const std::string& project, int closeAfterMs, const std::string& tempDir = "") {
  std::string command = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy PLAYER_TEST_CLOSE_AFTER_MS=" +
                        std::to_string(closeAfterMs) + (tempDir.empty() ? "" : " TMPDIR='" + tempDir + "'") +
                        " timeout 60 " + std::string(PLAYER_BINARY) + " '" + project + "' 2>&1";
  PlayerRun run;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return run;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, p)) run.output += buffer;
  int status = pclose(p);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

sample::Rgb Teal(float x, float y, float w, float h) { return {20.0f, 120.0f + 60.0f * (x / w), 140.0f}; }
sample::Rgb Amber(float x, float y, float w, float h) { return {220.0f, 150.0f + 40.0f * (y / h), 40.0f}; }

// Two small slides with their own pictures and music, built with the writer.
std::vector<uint8_t> CraftedProject() {
  sample::Description d;
  sample::Slide a;
  a.name = u"Teal";
  a.picture = {u"teal.png", 64, 32, Teal};
  a.fadeIn = 0.2f;
  a.show = 0.3f;
  a.fadeOut = 0.2f;
  sample::Slide b = a;
  b.name = u"Amber";
  b.picture = {u"amber.png", 32, 48, Amber};
  b.camera.mode = 1;
  d.slides = {a, b};
  d.music.path = u"crafted_tune.flac";
  d.music.seconds = 1.0f;
  return sample::BuildProject(d);
}

std::string Save(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = testing::TempDir() + "/" + name;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return {};
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
  return path;
}

TEST(PlayerBinary, PlaysACraftedProjectFileUntilClosed) {
  const std::vector<uint8_t> bytes = CraftedProject();
  struct Case {
    const char* file;
    int exitCode;
    bool refused;
  } cases[] = {
      {"crafted.qmf", 0, false},
      {"crafted.QMX", 1, true},  // the authoring tool's own extension is refused
  };
  for (const Case& c : cases) {
    std::string path = Save(c.file, bytes);
    ASSERT_FALSE(path.empty());
    // The embedded tune is played from a temporary copy, which goes with the player.
    const std::filesystem::path temp = std::filesystem::path(testing::TempDir()) / ("player_temp_" + std::to_string(getpid()));
    std::filesystem::remove_all(temp);
    std::filesystem::create_directories(temp);
    PlayerRun run = RunPlayer(path, 1500, temp.string());
    EXPECT_EQ(run.exitCode, c.exitCode) << c.file << ": " << run.output;
    EXPECT_EQ(run.output.find("Cannot open file") != std::string::npos, c.refused) << c.file << ": " << run.output;
    EXPECT_TRUE(std::filesystem::is_empty(temp)) << c.file << ": a temporary copy was left behind";
    std::filesystem::remove_all(temp);
  }
}

}  // namespace
