#include "tests/capture/media_probe.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

namespace {

struct Decoder {
  AVCodecContext* codec = nullptr;
  ~Decoder() { avcodec_free_context(&codec); }
  bool open(AVStream* stream) {
    const AVCodec* c = avcodec_find_decoder(stream->codecpar->codec_id);
    codec = avcodec_alloc_context3(c);
    return c && codec && avcodec_parameters_to_context(codec, stream->codecpar) >= 0 &&
           avcodec_open2(codec, c, nullptr) >= 0;
  }
};

void keep_plane(const AVFrame* f, int plane, std::vector<uint8_t>* out) {
  const int w = plane ? f->width / 2 : f->width, h = plane ? f->height / 2 : f->height;
  out->resize(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    std::copy_n(f->data[plane] + ptrdiff_t(y) * f->linesize[plane], w, out->data() + size_t(y) * w);
}

}  // namespace

MediaProbe probe_media(const std::string& path) {
  MediaProbe p;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return p.error = "cannot open", p;
  avformat_find_stream_info(format, nullptr);
  int vi = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  int ai = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  Decoder video, audio;
  if (vi < 0 || ai < 0 || !video.open(format->streams[vi]) || !audio.open(format->streams[ai])) {
    avformat_close_input(&format);
    return p.error = "missing or undecodable stream", p;
  }
  AVStream* vs = format->streams[vi];
  AVStream* as = format->streams[ai];
  p.video_codec = avcodec_get_name(vs->codecpar->codec_id);
  p.audio_codec = avcodec_get_name(as->codecpar->codec_id);
  p.pixel_format = av_get_pix_fmt_name(AVPixelFormat(vs->codecpar->format));
  p.width = vs->codecpar->width;
  p.height = vs->codecpar->height;
  p.frame_rate = av_q2d(vs->avg_frame_rate);
  p.sample_rate = as->codecpar->sample_rate;
  p.channels = as->codecpar->ch_layout.nb_channels;
  p.audio_duration = as->duration * av_q2d(as->time_base);

  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto receive = [&](Decoder& d, bool is_video) {
    while (avcodec_receive_frame(d.codec, frame) >= 0) {
      if (is_video) {
        if (p.video_frames == 0) {
          keep_plane(frame, 0, &p.first_luma);
          keep_plane(frame, 1, &p.first_u);
          keep_plane(frame, 2, &p.first_v);
        }
        ++p.video_frames;
      } else {
        p.audio_samples += frame->nb_samples;
      }
      av_frame_unref(frame);
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == vi) avcodec_send_packet(video.codec, packet), receive(video, true);
    if (packet->stream_index == ai) avcodec_send_packet(audio.codec, packet), receive(audio, false);
    av_packet_unref(packet);
  }
  avcodec_send_packet(video.codec, nullptr);
  receive(video, true);
  avcodec_send_packet(audio.codec, nullptr);
  receive(audio, false);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&format);
  p.ok = true;
  return p;
}
