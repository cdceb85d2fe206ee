#include "platform/gnome/cast_stream.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <string>

#include "platform/gnome/cast_frame.h"

namespace scrivlet {
namespace {

// Room for the cursor's metadata and a bitmap of side x side pixels that
// mutter may attach to it.
constexpr std::int32_t CursorMetaSize(std::int32_t side) {
  return static_cast<std::int32_t>(sizeof(spa_meta_cursor) +
                                   sizeof(spa_meta_bitmap)) +
         side * side * 4;
}

}  // namespace

struct CastStream::State {
  pw_thread_loop* loop = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  pw_stream* stream = nullptr;
  spa_hook listener{};
  mutable std::mutex mutex;
  mutable std::condition_variable frame_came;
  std::optional<Seen> seen;
  // The negotiated format, and the newest frame with pixels: a buffer
  // kept out of the stream (mutter fills the others meanwhile) until a
  // newer one replaces it.
  spa_video_info_raw format{};
  pw_buffer* frame = nullptr;
  Clock::time_point frame_at;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  State(State&&) = delete;
  State& operator=(State&&) = delete;
  // Here rather than in CastStream's destructor, so that a constructor
  // that fails half-way frees what it made too.
  ~State() {
    if (loop != nullptr) {
      pw_thread_loop_stop(loop);
    }
    if (stream != nullptr) {
      pw_stream_destroy(stream);
    }
    if (core != nullptr) {
      pw_core_disconnect(core);
    }
    if (context != nullptr) {
      pw_context_destroy(context);
    }
    if (loop != nullptr) {
      pw_thread_loop_destroy(loop);
    }
  }
};

namespace {

// The formats offered: any raw 32-bit video at any size and rate. Without a
// modifier on offer mutter sends plain memory, not DMA-BUF.
const spa_pod* EnumFormat(spa_pod_builder& builder) {
  spa_pod_frame object{};
  spa_pod_frame choice{};
  spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_Format,
                              SPA_PARAM_EnumFormat);
  spa_pod_builder_prop(&builder, SPA_FORMAT_mediaType, 0);
  spa_pod_builder_id(&builder, SPA_MEDIA_TYPE_video);
  spa_pod_builder_prop(&builder, SPA_FORMAT_mediaSubtype, 0);
  spa_pod_builder_id(&builder, SPA_MEDIA_SUBTYPE_raw);
  spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_format, 0);
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Enum, 0);
  for (const std::uint32_t format :
       {SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
        SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA}) {
    spa_pod_builder_id(&builder, format);
  }
  spa_pod_builder_pop(&builder, &choice);
  spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_size, 0);
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
  spa_pod_builder_rectangle(&builder, 1280, 800);
  spa_pod_builder_rectangle(&builder, 1, 1);
  spa_pod_builder_rectangle(&builder, 16384, 16384);
  spa_pod_builder_pop(&builder, &choice);
  spa_pod_builder_prop(&builder, SPA_FORMAT_VIDEO_framerate, 0);
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
  spa_pod_builder_fraction(&builder, 0, 1);
  spa_pod_builder_fraction(&builder, 0, 1);
  spa_pod_builder_fraction(&builder, 1000, 1);
  spa_pod_builder_pop(&builder, &choice);
  return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

// Asks for the cursor's metadata with every frame.
const spa_pod* CursorMeta(spa_pod_builder& builder) {
  spa_pod_frame object{};
  spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_ParamMeta,
                              SPA_PARAM_Meta);
  spa_pod_builder_prop(&builder, SPA_PARAM_META_type, 0);
  spa_pod_builder_id(&builder, SPA_META_Cursor);
  spa_pod_builder_prop(&builder, SPA_PARAM_META_size, 0);
  spa_pod_frame choice{};
  spa_pod_builder_push_choice(&builder, &choice, SPA_CHOICE_Range, 0);
  spa_pod_builder_int(&builder, CursorMetaSize(64));
  spa_pod_builder_int(&builder, CursorMetaSize(1));
  spa_pod_builder_int(&builder, CursorMetaSize(1024));
  spa_pod_builder_pop(&builder, &choice);
  return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

// Buffers the program can map: memory file descriptors or plain memory.
const spa_pod* MappableBuffers(spa_pod_builder& builder) {
  spa_pod_frame object{};
  spa_pod_builder_push_object(&builder, &object, SPA_TYPE_OBJECT_ParamBuffers,
                              SPA_PARAM_Buffers);
  spa_pod_builder_prop(&builder, SPA_PARAM_BUFFERS_dataType, 0);
  spa_pod_builder_int(&builder, (1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr));
  return static_cast<const spa_pod*>(spa_pod_builder_pop(&builder, &object));
}

void OnParamChanged(void* data, std::uint32_t id, const spa_pod* param) {
  auto& state = *static_cast<CastStream::State*>(data);
  if (id != SPA_PARAM_Format || param == nullptr) {
    return;
  }
  {
    const std::lock_guard lock(state.mutex);
    if (spa_format_video_raw_parse(param, &state.format) < 0) {
      state.format = {};
    }
  }
  std::array<std::uint8_t, 1024> memory{};
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, memory.data(), memory.size());
  const spa_pod* params[] = {CursorMeta(builder), MappableBuffers(builder)};
  pw_stream_update_params(state.stream, params, 2);
}

bool HasPixels(const spa_buffer& buffer) {
  // Mutter sends the cursor's moves alone, in buffers without pixels.
  return buffer.n_datas > 0 && buffer.datas[0].data != nullptr &&
         buffer.datas[0].chunk->size > 0 &&
         (buffer.datas[0].chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) == 0;
}

void OnProcess(void* data) {
  auto& state = *static_cast<CastStream::State*>(data);
  bool new_frame = false;
  // Every buffer's cursor counts; of the frames only the newest is kept,
  // the others go straight back.
  while (pw_buffer* buffer = pw_stream_dequeue_buffer(state.stream)) {
    const auto* cursor =
        static_cast<const spa_meta_cursor*>(spa_buffer_find_meta_data(
            buffer->buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
    const std::lock_guard lock(state.mutex);
    if (cursor != nullptr && spa_meta_cursor_is_valid(cursor)) {
      const std::uint64_t updates = state.seen ? state.seen->updates + 1 : 1;
      state.seen =
          CastStream::Seen{{cursor->position.x, cursor->position.y}, updates};
    }
    if (HasPixels(*buffer->buffer)) {
      std::swap(buffer, state.frame);
      state.frame_at = CastStream::Clock::now();
      new_frame = true;
    }
    if (buffer != nullptr) {
      pw_stream_queue_buffer(state.stream, buffer);
    }
  }
  if (new_frame) {
    state.frame_came.notify_all();
  }
}

// A buffer PipeWire takes back (the format changed) is no frame any more.
void OnRemoveBuffer(void* data, pw_buffer* buffer) {
  auto& state = *static_cast<CastStream::State*>(data);
  const std::lock_guard lock(state.mutex);
  if (state.frame == buffer) {
    state.frame = nullptr;
  }
}

}  // namespace

CastStream::CastStream(std::uint32_t node) : state_(std::make_unique<State>()) {
  pw_init(nullptr, nullptr);
  State& state = *state_;
  state.loop = pw_thread_loop_new("scrivlet-cast", nullptr);
  state.context =
      pw_context_new(pw_thread_loop_get_loop(state.loop), nullptr, 0);
  if (state.context == nullptr || pw_thread_loop_start(state.loop) < 0) {
    throw PlatformError("PipeWire could not be started in this program.");
  }
  pw_thread_loop_lock(state.loop);
  state.core = pw_context_connect(state.context, nullptr, 0);
  if (state.core == nullptr) {
    pw_thread_loop_unlock(state.loop);
    throw PlatformError(
        "PipeWire, through which mutter shows the pointer, cannot be "
        "reached.");
  }
  state.stream = pw_stream_new(
      state.core, "scrivlet-pointer",
      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                        "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
  static const pw_stream_events kEvents = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.param_changed = &OnParamChanged;
    events.process = &OnProcess;
    events.remove_buffer = &OnRemoveBuffer;
    return events;
  }();
  pw_stream_add_listener(state.stream, &state.listener, &kEvents, &state);
  std::array<std::uint8_t, 1024> memory{};
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, memory.data(), memory.size());
  const spa_pod* params[] = {EnumFormat(builder)};
  const int result = pw_stream_connect(
      state.stream, PW_DIRECTION_INPUT, node,
      static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT |
                                   PW_STREAM_FLAG_MAP_BUFFERS),
      params, 1);
  pw_thread_loop_unlock(state.loop);
  if (result < 0) {
    throw PlatformError("The screen cast's PipeWire stream " +
                        std::to_string(node) + " cannot be joined.");
  }
}

CastStream::~CastStream() = default;

std::optional<CastStream::Seen> CastStream::Cursor() const {
  const std::lock_guard lock(state_->mutex);
  return state_->seen;
}

CastStream::Capture CastStream::Read(ScreenRect area, Clock::time_point after,
                                     Clock::duration wait) const {
  State& state = *state_;
  std::unique_lock lock(state.mutex);
  const bool fresh = state.frame_came.wait_for(lock, wait, [&] {
    return state.frame != nullptr && state.frame_at > after;
  });
  if (state.frame == nullptr) {
    return {UnreadScreenImage(area), false, false, 0, 0};
  }
  const spa_data& data = state.frame->buffer->datas[0];
  const std::uint32_t offset = std::min(data.chunk->offset, data.maxsize);
  const CastFrame frame{
      state.format.format,
      static_cast<std::int32_t>(state.format.size.width),
      static_cast<std::int32_t>(state.format.size.height),
      data.chunk->stride,
      static_cast<const std::uint8_t*>(data.data) + offset,
      std::min<std::size_t>(data.chunk->size, data.maxsize - offset)};
  return {CastFrameRegion(frame, area), fresh, true, frame.width, frame.height};
}

}  // namespace scrivlet
