// The wave player: only existing files are played, and a machine without sound stays
// silent instead of failing.
#include "ui/sound.h"
#include "support/programdir.h"
#include "support/qtwait.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

// A short 8 kHz mono 8-bit wave file: header and a quiet tone.
std::string tinyWave() {
  const std::uint32_t samples = 800;
  auto le = [](std::uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
    return s;
  };
  std::string w = "RIFF" + le(36 + samples, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) +
                  le(8000, 4) + le(8000, 4) + le(1, 2) + le(8, 2) + "data" + le(samples, 4);
  for (std::uint32_t i = 0; i < samples; ++i) w += char(i % 16 < 8 ? 120 : 136);
  return w;
}

class SoundTest : public ::testing::Test {
 protected:
  testutil::ProgramDirFixture dir;
  QStringList played;
  void SetUp() override {
    dir.write("ring.wav", tinyWave());
    ui::SoundRequests().Install([this](const QString& f) { played << f; });
  }
  void TearDown() override { ui::SoundRequests().Install({}); }
  QString file(const char* name) { return QString::fromStdString(dir.path(name)); }
};

TEST_F(SoundTest, OnlyAnExistingFileIsPlayedAndRelativeNamesAreInTheProgramFolder) {
  EXPECT_FALSE(ui::PlayWaveFile(QString()));
  EXPECT_FALSE(ui::PlayWaveFile(file("missing.wav")));
  EXPECT_FALSE(ui::PlayWaveFile(QString::fromStdString(settings::ProgramDir())));  // a folder
  EXPECT_TRUE(played.isEmpty());
  EXPECT_TRUE(ui::PlayWaveFile(file("ring.wav")));
  EXPECT_TRUE(ui::PlayWaveFile("ring.wav"));
  EXPECT_EQ(played, (QStringList{file("ring.wav"), file("ring.wav")}));
}

TEST_F(SoundTest, RealPlaybackReturnsAtOnceWithOrWithoutAnAudioDevice) {
  ui::SoundRequests().Install({});
  ui::PlayWaveFile(file("ring.wav"));
  ui::PlayWaveFile(file("ring.wav"));  // again while the first may still play
  testutil::waitFor([] { return false; }, 300);
  SUCCEED();
}

}  // namespace
