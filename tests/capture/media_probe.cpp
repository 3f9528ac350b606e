#include "tests/capture/media_probe.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

namespace {

void keep_plane(const AVFrame* f, int plane, std::vector<uint8_t>* out) {
  const int w = plane ? f->width / 2 : f->width, h = plane ? f->height / 2 : f->height;
  out->resize(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    std::copy_n(f->data[plane] + ptrdiff_t(y) * f->linesize[plane], w, out->data() + size_t(y) * w);
}

}  // namespace

MediaProbe probe_media(const std::string& path, int64_t keep_frame) {
  MediaProbe p;
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return p.error = "cannot open", p;
  avformat_find_stream_info(format, nullptr);
  // Decoders for the video (0) and the audio (1) stream.
  const int index[2] = {av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0),
                        av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0)};
  AVCodecContext* codec[2] = {};
  int opened = 0;
  for (int i = 0; i < 2 && index[i] >= 0; ++i) {
    const AVCodecParameters* par = format->streams[index[i]]->codecpar;
    const AVCodec* c = avcodec_find_decoder(par->codec_id);
    codec[i] = avcodec_alloc_context3(c);
    if (c && codec[i] && avcodec_parameters_to_context(codec[i], par) >= 0 &&
        avcodec_open2(codec[i], c, nullptr) >= 0)
      ++opened;
  }
  p.ok = opened == 2;
  if (p.ok) {
    const AVStream* vs = format->streams[index[0]];
    const AVStream* as = format->streams[index[1]];
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
    auto decode = [&](int i, const AVPacket* pk) {
      avcodec_send_packet(codec[i], pk);
      for (; avcodec_receive_frame(codec[i], frame) >= 0; av_frame_unref(frame)) {
        if (i == 1) {
          p.audio_samples += frame->nb_samples;
        } else if (p.video_frames++ == keep_frame) {
          keep_plane(frame, 0, &p.luma);
          keep_plane(frame, 1, &p.u);
          keep_plane(frame, 2, &p.v);
        }
      }
    };
    for (; av_read_frame(format, packet) >= 0; av_packet_unref(packet))
      for (int i = 0; i < 2; ++i)
        if (packet->stream_index == index[i]) decode(i, packet);
    decode(0, nullptr);
    decode(1, nullptr);
    av_frame_free(&frame);
    av_packet_free(&packet);
  } else {
    p.error = "missing or undecodable stream";
  }
  for (AVCodecContext*& c : codec) avcodec_free_context(&c);
  avformat_close_input(&format);
  return p;
}
