#include "platform/video_writer.h"

#include <emmintrin.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/output_file.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace {

std::string av_error_text(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

std::string lower_extension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

enum class JobKind { video, audio_s16, audio_f32 };

struct Job {
  JobKind kind;
  std::vector<uint8_t> data;  // audio samples
  int count;                  // audio: sample frames
  AVFrame* frame = nullptr;   // video: the picture, converted already
};

constexpr int max_queued_frames = 6;

// BT.601 in the limited range, in integers, so every machine writes the same bytes.
//
// The display's picture lines alternate with black scanlines, and a 2x2 block of 4:2:0 spans
// one of each. Its chroma is taken from the line that is clearly the brighter one (more than
// twice the other's luma), otherwise from both, so that a picture line keeps its full colour
// rather than half of it (flat pictures without scanlines get the ordinary average). A
// black pixel under a coloured line would then decode tinted with that colour: its luma
// goes as far into the footroom (below 16) as the chroma needs to decode black, or to 0.
template <int bytes>
void luma_row(const uint8_t* __restrict src, uint8_t* __restrict luma, int width) {
  for (int x = 0; x < width; ++x) {
    const int b = src[x * bytes], g = src[x * bytes + 1], r = src[x * bytes + 2];
    luma[x] = uint8_t(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
  }
}

template <int bytes>
void chroma_row(const uint8_t* __restrict top, const uint8_t* __restrict bottom,
                const uint8_t* __restrict luma_top, uint8_t* __restrict luma_bottom, uint8_t* __restrict u,
                uint8_t* __restrict v, int half_width) {
  for (int x = 0; x < half_width; ++x) {
    const uint8_t* a = top + 2 * x * bytes;
    const uint8_t* c = bottom + 2 * x * bytes;
    const int light_top = luma_top[2 * x] + luma_top[2 * x + 1] - 32;
    const int light_bottom = luma_bottom[2 * x] + luma_bottom[2 * x + 1] - 32;
    // Weights of the two lines, 2 + 0, 0 + 2 or 1 + 1: sums of four either way (0..1020).
    const int wt = light_top > 2 * light_bottom ? 2 : light_bottom > 2 * light_top ? 0 : 1;
    const int wb = 2 - wt;
    const int b = wt * (a[0] + a[bytes]) + wb * (c[0] + c[bytes]);
    const int g = wt * (a[1] + a[bytes + 1]) + wb * (c[1] + c[bytes + 1]);
    const int r = wt * (a[2] + a[bytes + 2]) + wb * (c[2] + c[bytes + 2]);
    const int cu = ((-38 * r - 74 * g + 112 * b + 512) >> 10), cv = ((112 * r - 94 * g - 18 * b + 512) >> 10);
    u[x] = uint8_t(cu + 128);
    v[x] = uint8_t(cv + 128);
    if (wt == 2 && light_bottom == 0) {
      // The strongest channel that the chroma alone lights, in 1/1024: 1634 V, 2066 U,
      // -833 V - 401 U for green. Black below it.
      int lit = std::max({1634 * cv, 2066 * cu, -833 * cv - 401 * cu});
      int foot = 16 - (lit + 1191) / 1192;
      if (foot < 0) foot = 0;
      if (c[0] + c[1] + c[2] + c[bytes] + c[bytes + 1] + c[bytes + 2] == 0) {
        luma_bottom[2 * x] = uint8_t(foot);
        luma_bottom[2 * x + 1] = uint8_t(foot);
      }
    }
  }
}

// Whether n bytes are all zero (the display's black border and scanlines).
inline bool all_zero(const uint8_t* p, size_t n) {
  uint64_t any = 0;
  for (size_t i = 0; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    any |= word;
  }
  for (size_t i = n & ~size_t(7); i < n; ++i) any |= p[i];
  return any == 0;
}

// The same conversion for whole 32-bit pixels, sixteen at a time with SSE2 (every x86-64 has
// it): byte for byte what luma_row and chroma_row give.
inline __m128i channel(__m128i pixels, int shift) {
  return _mm_and_si128(_mm_srli_epi32(pixels, shift), _mm_set1_epi32(0xFF));
}

// Sixteen pixels of one line: their luma (16 bytes) and, per pair, the sums of blue, green
// and red and of the luma above 16 (four 32-bit lanes each, pairs 0-3 then 4-7).
struct Line16 {
  __m128i luma;
  __m128i b[2], g[2], r[2], light[2];
};

inline Line16 line16(const uint8_t* p) {
  const __m128i ones = _mm_set1_epi16(1);
  Line16 line;
  __m128i y16[2];
  for (int h = 0; h < 2; ++h) {
    const __m128i q0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32 * h));
    const __m128i q1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32 * h + 16));
    const __m128i b = _mm_packs_epi32(channel(q0, 0), channel(q1, 0));
    const __m128i g = _mm_packs_epi32(channel(q0, 8), channel(q1, 8));
    const __m128i r = _mm_packs_epi32(channel(q0, 16), channel(q1, 16));
    // 66 r + 129 g + 25 b + 128 < 65536: exact in unsigned 16-bit lanes.
    const __m128i sum = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(r, _mm_set1_epi16(66)), _mm_mullo_epi16(g, _mm_set1_epi16(129))),
        _mm_add_epi16(_mm_mullo_epi16(b, _mm_set1_epi16(25)), _mm_set1_epi16(128)));
    y16[h] = _mm_add_epi16(_mm_srli_epi16(sum, 8), _mm_set1_epi16(16));
    line.b[h] = _mm_madd_epi16(b, ones);
    line.g[h] = _mm_madd_epi16(g, ones);
    line.r[h] = _mm_madd_epi16(r, ones);
    line.light[h] = _mm_sub_epi32(_mm_madd_epi16(y16[h], ones), _mm_set1_epi32(32));
  }
  line.luma = _mm_packus_epi16(y16[0], y16[1]);
  return line;
}

inline __m128i select(__m128i mask, __m128i a, __m128i b) {
  return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b));
}

// Sixteen pixels of a line pair: both luma rows and eight chroma samples.
inline void block16(const uint8_t* top, const uint8_t* bottom, uint8_t* luma_top, uint8_t* luma_bottom,
                    uint8_t* u, uint8_t* v) {
  const Line16 t = line16(top), d = line16(bottom);
  __m128i cu[2], cv[2], foot[2], dark[2];
  for (int h = 0; h < 2; ++h) {
    // Weights 2 + 0, 0 + 2 or 1 + 1, as chroma_row chooses them.
    const __m128i top_only = _mm_cmpgt_epi32(t.light[h], _mm_slli_epi32(d.light[h], 1));
    const __m128i bottom_only = _mm_cmpgt_epi32(d.light[h], _mm_slli_epi32(t.light[h], 1));
    const auto weigh = [&](__m128i a, __m128i c) {
      const __m128i diff = _mm_sub_epi32(a, c);
      return _mm_sub_epi32(_mm_add_epi32(_mm_add_epi32(a, c), _mm_and_si128(diff, top_only)),
                           _mm_and_si128(diff, bottom_only));
    };
    const __m128i b = weigh(t.b[h], d.b[h]), g = weigh(t.g[h], d.g[h]), r = weigh(t.r[h], d.r[h]);
    // Sums of four (0..1020) fit 16-bit lanes: pairs (r, g) and (b, 1) for madd.
    const __m128i rg = _mm_unpacklo_epi16(_mm_packs_epi32(r, r), _mm_packs_epi32(g, g));
    const __m128i b1 = _mm_unpacklo_epi16(_mm_packs_epi32(b, b), _mm_set1_epi16(1));
    cu[h] = _mm_srai_epi32(
        _mm_add_epi32(_mm_madd_epi16(rg, _mm_setr_epi16(-38, -74, -38, -74, -38, -74, -38, -74)),
                      _mm_madd_epi16(b1, _mm_setr_epi16(112, 512, 112, 512, 112, 512, 112, 512))),
        10);
    cv[h] = _mm_srai_epi32(
        _mm_add_epi32(_mm_madd_epi16(rg, _mm_setr_epi16(112, -94, 112, -94, 112, -94, 112, -94)),
                      _mm_madd_epi16(b1, _mm_setr_epi16(-18, 512, -18, 512, -18, 512, -18, 512))),
        10);
    // A black pair under a clearly brighter one: luma into the footroom.
    const __m128i black =
        _mm_cmpeq_epi32(_mm_add_epi32(_mm_add_epi32(d.b[h], d.g[h]), d.r[h]), _mm_setzero_si128());
    dark[h] = _mm_and_si128(black, top_only);
    const __m128i vu = _mm_unpacklo_epi16(_mm_packs_epi32(cv[h], cv[h]), _mm_packs_epi32(cu[h], cu[h]));
    const __m128i red = _mm_madd_epi16(vu, _mm_setr_epi16(1634, 0, 1634, 0, 1634, 0, 1634, 0));
    const __m128i blue = _mm_madd_epi16(vu, _mm_setr_epi16(0, 2066, 0, 2066, 0, 2066, 0, 2066));
    const __m128i green = _mm_madd_epi16(vu, _mm_setr_epi16(-833, -401, -833, -401, -833, -401, -833, -401));
    __m128i lit = select(_mm_cmpgt_epi32(red, blue), red, blue);
    lit = select(_mm_cmpgt_epi32(lit, green), lit, green);
    // Past 16 * 1192 the foot is 0 anyway; below, (lit + 1191) / 1192 exactly by a reciprocal.
    const __m128i limit = _mm_set1_epi32(16 * 1192);
    lit = select(_mm_cmpgt_epi32(lit, limit), limit, lit);
    foot[h] = _mm_add_epi32(lit, _mm_set1_epi32(1191));
  }
  // The eight quotients in 16-bit lanes (x * 14075 >> 24 is x / 1192 for x below 91180).
  const __m128i x = _mm_packs_epi32(foot[0], foot[1]);
  const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(14075)), 8);
  const __m128i foot8 = _mm_packus_epi16(_mm_sub_epi16(_mm_set1_epi16(16), q), _mm_setzero_si128());
  const __m128i dark8 = _mm_packs_epi16(_mm_packs_epi32(dark[0], dark[1]), _mm_setzero_si128());
  const __m128i foot_pixels = _mm_unpacklo_epi8(foot8, foot8), dark_pixels = _mm_unpacklo_epi8(dark8, dark8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(luma_top), t.luma);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(luma_bottom), select(dark_pixels, foot_pixels, d.luma));
  const __m128i offset = _mm_set1_epi16(128);
  const __m128i u16 = _mm_add_epi16(_mm_packs_epi32(cu[0], cu[1]), offset);
  const __m128i v16 = _mm_add_epi16(_mm_packs_epi32(cv[0], cv[1]), offset);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(u), _mm_packus_epi16(u16, u16));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(v), _mm_packus_epi16(v16, v16));
}

template <int bytes>
void to_yuv420(const uint8_t* src, ptrdiff_t pitch, int width, int height, AVFrame* out) {
  // Spans of black in both lines of a pair (the border around the picture) are written
  // as black without converting them.
  constexpr int span = 16;
  for (int y = 0; y < height; y += 2) {
    const uint8_t* top = src + ptrdiff_t(y) * pitch;
    uint8_t* luma_top = out->data[0] + ptrdiff_t(y) * out->linesize[0];
    uint8_t* luma_bottom = luma_top + out->linesize[0];
    uint8_t* u = out->data[1] + ptrdiff_t(y / 2) * out->linesize[1];
    uint8_t* v = out->data[2] + ptrdiff_t(y / 2) * out->linesize[2];
    for (int x0 = 0; x0 < width; x0 += span) {
      const int n = std::min(span, width - x0);
      const uint8_t* a = top + x0 * bytes;
      if (all_zero(a, size_t(n) * bytes) && all_zero(a + pitch, size_t(n) * bytes)) {
        std::memset(luma_top + x0, 16, size_t(n));
        std::memset(luma_bottom + x0, 16, size_t(n));
        std::memset(u + x0 / 2, 128, size_t(n) / 2);
        std::memset(v + x0 / 2, 128, size_t(n) / 2);
        continue;
      }
      if (bytes == 4 && n == span) {
        block16(a, a + pitch, luma_top + x0, luma_bottom + x0, u + x0 / 2, v + x0 / 2);
        continue;
      }
      luma_row<bytes>(a, luma_top + x0, n);
      luma_row<bytes>(a + pitch, luma_bottom + x0, n);
      chroma_row<bytes>(a, a + pitch, luma_top + x0, luma_bottom + x0, u + x0 / 2, v + x0 / 2, n / 2);
    }
  }
}

}  // namespace

struct VideoWriter::Impl {
  OutputFile file;
  std::string path;
  int width = 0, height = 0;
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* video_stream = nullptr;
  AVStream* audio_stream = nullptr;
  SwrContext* resampler_s16 = nullptr;
  SwrContext* resampler_f32 = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVFrame* sound = nullptr;
  AVPacket* packet = nullptr;
  int64_t video_pts = 0, audio_pts = 0;
  bool header_written = false;
  bool file_open = false;

  // The worker and its queue.
  std::thread worker;
  std::mutex mutex;
  std::condition_variable job_ready, space_ready;
  std::deque<Job> jobs;
  std::vector<AVFrame*> spare_pictures;
  int queued_frames = 0;
  bool stopping = false;
  std::atomic<bool> failed{false};
  std::string worker_error;

  ~Impl() {
    stop_worker();
    swr_free(&resampler_s16);
    swr_free(&resampler_f32);
    if (fifo) av_audio_fifo_free(fifo);
    for (AVFrame*& f : spare_pictures) av_frame_free(&f);
    av_frame_free(&sound);
    av_packet_free(&packet);
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    close_file();
    if (format) avformat_free_context(format);
  }

  void close_file() {
    if (file_open) avio_closep(&format->pb);
    file_open = false;
  }

  void stop_worker() {
    if (!worker.joinable()) return;
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    job_ready.notify_all();
    worker.join();
  }

  void fail(const std::string& why) {
    std::lock_guard lock(mutex);
    if (!failed) worker_error = why;
    failed = true;
    space_ready.notify_all();
  }

  // Hands every packet the encoder has ready to the muxer.
  bool drain(AVCodecContext* codec, AVStream* stream) {
    for (;;) {
      int r = avcodec_receive_packet(codec, packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return fail("cannot encode: " + av_error_text(r)), false;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      r = av_interleaved_write_frame(format, packet);
      if (r < 0) return fail("cannot write " + path + ": " + av_error_text(r)), false;
    }
  }

  bool encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    int r = avcodec_send_frame(codec, frame);
    if (r < 0) return fail("cannot encode: " + av_error_text(r)), false;
    return drain(codec, stream);
  }

  bool encode_picture(AVFrame* picture) {
    picture->pts = video_pts++;
    return encode(video, video_stream, picture);
  }

  // Encodes whole AAC frames from the fifo; with flush, also the short remainder.
  bool encode_sound(bool flush) {
    const int frame_size = audio->frame_size;
    while (av_audio_fifo_size(fifo) >= frame_size || (flush && av_audio_fifo_size(fifo) > 0)) {
      int n = std::min(frame_size, av_audio_fifo_size(fifo));
      av_frame_unref(sound);
      sound->format = audio->sample_fmt;
      sound->nb_samples = n;
      sound->sample_rate = audio->sample_rate;
      av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
      if (av_frame_get_buffer(sound, 0) < 0) return fail("out of memory"), false;
      av_audio_fifo_read(fifo, reinterpret_cast<void**>(sound->data), n);
      sound->pts = audio_pts;
      audio_pts += n;
      if (!encode(audio, audio_stream, sound)) return false;
    }
    return true;
  }

  bool queue_sound(SwrContext* resampler, const uint8_t* samples, int count) {
    uint8_t** planes = nullptr;
    int linesize = 0;
    if (av_samples_alloc_array_and_samples(&planes, &linesize, 2, count, audio->sample_fmt, 0) < 0)
      return fail("out of memory"), false;
    const uint8_t* in[1] = {samples};
    int converted = swr_convert(resampler, planes, count, in, count);
    bool ok = converted >= 0;
    if (!ok) fail("cannot convert the sound");
    if (ok && av_audio_fifo_write(fifo, reinterpret_cast<void**>(planes), converted) < converted)
      ok = false, fail("out of memory");
    av_freep(&planes[0]);
    av_freep(&planes);
    return ok && encode_sound(false);
  }

  void run_worker() {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex);
        job_ready.wait(lock, [&] { return stopping || !jobs.empty(); });
        if (jobs.empty()) return;
        job = std::move(jobs.front());
        jobs.pop_front();
      }
      if (!failed) {
        switch (job.kind) {
          case JobKind::video:
            encode_picture(job.frame);
            break;
          case JobKind::audio_s16:
            queue_sound(resampler_s16, job.data.data(), job.count);
            break;
          case JobKind::audio_f32:
            queue_sound(resampler_f32, job.data.data(), job.count);
            break;
        }
      }
      {
        std::lock_guard lock(mutex);
        if (job.kind == JobKind::video) {
          --queued_frames;
          spare_pictures.push_back(job.frame);
        }
      }
      space_ready.notify_all();
    }
  }

  void push(Job job) {
    {
      std::lock_guard lock(mutex);
      if (job.kind == JobKind::video) ++queued_frames;
      jobs.push_back(std::move(job));
    }
    job_ready.notify_one();
  }
};

VideoWriter::VideoWriter() = default;

VideoWriter::~VideoWriter() { abandon(); }

bool VideoWriter::known_extension(const std::string& path) {
  std::string ext = lower_extension(path);
  return ext == ".mp4" || ext == ".mkv";
}

bool VideoWriter::open(const std::string& path, int width, int height, const Settings& settings) {
  abandon();
  error_.clear();
  frames_ = samples_ = 0;
  auto failure = [&](const std::string& why) {
    error_ = why;
    abandon();
    return false;
  };
  if (!known_extension(path)) return failure(path + ": unknown extension (use .mp4 or .mkv)");
  if (width <= 0 || height <= 0 || width % 2 || height % 2) return failure("the picture size must be even");

  av_log_set_level(AV_LOG_ERROR);
  impl_ = std::make_unique<Impl>();
  Impl& w = *impl_;
  w.path = path;
  std::string why;
  if (!w.file.open(path, &why, settings.replace)) return failure(why);
  w.width = width;
  w.height = height;

  const AVOutputFormat* container = av_guess_format(nullptr, path.c_str(), nullptr);
  if (!container) return failure(path + ": unknown extension (use .mp4 or .mkv)");
  const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
  if (!h264) return failure("no H.264 encoder: this FFmpeg has no libx264");
  const AVCodec* aac = avcodec_find_encoder_by_name("aac");
  if (!aac) return failure("no AAC encoder in this FFmpeg");

  if (avformat_alloc_output_context2(&w.format, container, nullptr, w.file.name().c_str()) < 0)
    return failure("cannot set up the container for " + path);
  // No version strings and no creation time, so that equal input gives equal bytes.
  w.format->flags |= AVFMT_FLAG_BITEXACT;
  const bool global_header = container->flags & AVFMT_GLOBALHEADER;

  w.video = avcodec_alloc_context3(h264);
  AVCodecContext* v = w.video;
  v->width = width;
  v->height = height;
  v->pix_fmt = AV_PIX_FMT_YUV420P;
  v->time_base = {1, frame_rate};
  v->framerate = {frame_rate, 1};
  v->sample_aspect_ratio = {1, 1};
  v->thread_count = settings.threads;
  v->thread_type = FF_THREAD_FRAME;
  v->gop_size = 4 * frame_rate;
  v->color_range = AVCOL_RANGE_MPEG;
  v->colorspace = AVCOL_SPC_SMPTE170M;
  v->color_primaries = AVCOL_PRI_BT709;
  v->color_trc = AVCOL_TRC_IEC61966_2_1;
  v->flags |= AV_CODEC_FLAG_BITEXACT;
  if (global_header) v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "preset", settings.preset, 0);
  av_dict_set_int(&options, "crf", settings.crf, 0);
  if (settings.tune) av_dict_set(&options, "tune", settings.tune, 0);
  if (settings.x264_params) av_dict_set(&options, "x264-params", settings.x264_params, 0);
  int r = avcodec_open2(v, h264, &options);
  av_dict_free(&options);
  if (r < 0) return failure("cannot open the H.264 encoder: " + av_error_text(r));

  w.audio = avcodec_alloc_context3(aac);
  AVCodecContext* a = w.audio;
  a->sample_fmt = AV_SAMPLE_FMT_FLTP;
  a->sample_rate = sample_rate;
  a->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
  a->bit_rate = 256000;
  a->time_base = {1, sample_rate};
  a->flags |= AV_CODEC_FLAG_BITEXACT;
  if (global_header) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  // The fast coder: at this bit rate it sounds the same and costs a fraction of the default.
  AVDictionary* audio_options = nullptr;
  av_dict_set(&audio_options, "aac_coder", "fast", 0);
  r = avcodec_open2(a, aac, &audio_options);
  av_dict_free(&audio_options);
  if (r < 0) return failure("cannot open the AAC encoder: " + av_error_text(r));

  w.video_stream = avformat_new_stream(w.format, nullptr);
  w.audio_stream = avformat_new_stream(w.format, nullptr);
  if (!w.video_stream || !w.audio_stream) return failure("out of memory");
  w.video_stream->time_base = v->time_base;
  w.video_stream->avg_frame_rate = v->framerate;
  w.audio_stream->time_base = a->time_base;
  if (avcodec_parameters_from_context(w.video_stream->codecpar, v) < 0 ||
      avcodec_parameters_from_context(w.audio_stream->codecpar, a) < 0)
    return failure("out of memory");

  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  swr_alloc_set_opts2(&w.resampler_s16, &stereo, a->sample_fmt, sample_rate, &stereo, AV_SAMPLE_FMT_S16,
                      sample_rate, 0, nullptr);
  swr_alloc_set_opts2(&w.resampler_f32, &stereo, a->sample_fmt, sample_rate, &stereo, AV_SAMPLE_FMT_FLT,
                      sample_rate, 0, nullptr);
  w.fifo = av_audio_fifo_alloc(a->sample_fmt, 2, a->frame_size * 4);
  w.sound = av_frame_alloc();
  w.packet = av_packet_alloc();
  if (!w.resampler_s16 || !w.resampler_f32 || swr_init(w.resampler_s16) < 0 ||
      swr_init(w.resampler_f32) < 0 || !w.fifo || !w.sound || !w.packet)
    return failure("cannot set up the sound conversion");

  // Through the name of the open file: the muxer opens it again to move the index forward.
  r = avio_open(&w.format->pb, w.file.name().c_str(), AVIO_FLAG_WRITE);
  if (r < 0) return failure("cannot write " + path + ": " + av_error_text(r));
  w.file_open = true;
  AVDictionary* muxer_options = nullptr;
  // The index goes to the front, so players can start before the whole file has arrived.
  if (lower_extension(path) == ".mp4") {
    av_dict_set(&muxer_options, "movflags", "+faststart", 0);
    // Lengths in 1/44100 s: whole frames (735 each) and whole samples, not rounded to ms.
    av_dict_set_int(&muxer_options, "movie_timescale", sample_rate, 0);
  }
  r = avformat_write_header(w.format, &muxer_options);
  av_dict_free(&muxer_options);
  if (r < 0) return failure("cannot write " + path + ": " + av_error_text(r));
  w.header_written = true;

  w.worker = std::thread([&w] { w.run_worker(); });
  return true;
}

bool VideoWriter::add_frame(const uint8_t* pixels, int pitch, int bpp) {
  if (!impl_) return false;
  if (bpp != 24 && bpp != 32) return error_ = "unsupported pixel depth " + std::to_string(bpp), false;
  Impl& w = *impl_;
  AVFrame* picture = nullptr;
  {
    std::unique_lock lock(w.mutex);
    w.space_ready.wait(lock, [&] { return w.failed || w.queued_frames < max_queued_frames; });
    if (w.failed) return error_ = w.worker_error, false;
    if (!w.spare_pictures.empty()) {
      picture = w.spare_pictures.back();
      w.spare_pictures.pop_back();
    }
  }
  // Converted here, straight from the display: the queue holds 4:2:0 pictures, less than half
  // the bytes of the display's.
  if (!picture) {
    picture = av_frame_alloc();
    if (picture) {
      picture->format = AV_PIX_FMT_YUV420P;
      picture->width = w.width;
      picture->height = w.height;
      if (av_frame_get_buffer(picture, 0) < 0) av_frame_free(&picture);
    }
  }
  // The encoder may still hold a reference to a picture handed back: then this copies it.
  if (!picture || av_frame_make_writable(picture) < 0) {
    av_frame_free(&picture);
    return error_ = "out of memory", false;
  }
  if (bpp == 24) {
    to_yuv420<3>(pixels, pitch, w.width, w.height, picture);
  } else {
    to_yuv420<4>(pixels, pitch, w.width, w.height, picture);
  }
  Job job{JobKind::video, {}, 0};
  job.frame = picture;
  w.push(std::move(job));
  ++frames_;
  return true;
}

bool VideoWriter::add_audio(const int16_t* samples, int frame_count) {
  if (!impl_) return false;
  if (impl_->failed) return error_ = impl_->worker_error, false;
  if (frame_count <= 0) return true;
  const auto* bytes = reinterpret_cast<const uint8_t*>(samples);
  impl_->push({JobKind::audio_s16, {bytes, bytes + frame_count * 2 * sizeof(int16_t)}, frame_count});
  samples_ += frame_count;
  return true;
}

bool VideoWriter::add_audio(const float* samples, int frame_count) {
  if (!impl_) return false;
  if (impl_->failed) return error_ = impl_->worker_error, false;
  if (frame_count <= 0) return true;
  const auto* bytes = reinterpret_cast<const uint8_t*>(samples);
  impl_->push({JobKind::audio_f32, {bytes, bytes + frame_count * 2 * sizeof(float)}, frame_count});
  samples_ += frame_count;
  return true;
}

bool VideoWriter::finish() {
  if (!impl_) return false;
  Impl& w = *impl_;
  w.stop_worker();
  auto failure = [&](const std::string& why) {
    error_ = why;
    abandon();
    return false;
  };
  if (w.failed) return failure(w.worker_error);
  if (!w.encode_sound(true) || !w.encode(w.audio, w.audio_stream, nullptr) ||
      !w.encode(w.video, w.video_stream, nullptr))
    return failure(w.worker_error);
  int r = av_write_trailer(w.format);
  if (r < 0) return failure("cannot write " + w.path + ": " + av_error_text(r));
  w.close_file();
  std::string why;
  if (!w.file.commit(&why)) return failure(why);
  impl_.reset();
  return true;
}

void VideoWriter::abandon() { impl_.reset(); }
