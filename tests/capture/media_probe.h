// Reads back what the capture wrote, with FFmpeg's libraries: every frame and every sample
// decoded, as a player would.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct MediaProbe {
  bool ok = false;
  std::string error;
  std::string video_codec, audio_codec, pixel_format;
  int width = 0, height = 0;
  int64_t video_frames = 0;
  double frame_rate = 0;
  int sample_rate = 0, channels = 0;
  int64_t audio_samples = 0;  // decoded, per channel, after the encoder's delay is skipped
  double audio_duration = 0;  // what the container says, in seconds
  std::vector<uint8_t> luma;  // plane 0 of the kept frame (the first unless asked), width * height
  std::vector<uint8_t> u, v;  // its chroma planes, width / 2 * height / 2
};

MediaProbe probe_media(const std::string& path, int64_t keep_frame = 0);
