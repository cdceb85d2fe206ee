#include "platform/gnome/cast_cursor.h"

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <array>
#include <mutex>
#include <string>

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

struct CastCursor::State {
  pw_thread_loop* loop = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  pw_stream* stream = nullptr;
  spa_hook listener{};
  mutable std::mutex mutex;
  std::optional<Seen> seen;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  State(State&&) = delete;
  State& operator=(State&&) = delete;
  // Here rather than in CastCursor's destructor, so that a constructor
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

// The formats offered: any raw 32-bit video at any size and rate; only the
// metadata is read, never the pixels.
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
  auto& state = *static_cast<CastCursor::State*>(data);
  if (id != SPA_PARAM_Format || param == nullptr) {
    return;
  }
  std::array<std::uint8_t, 1024> memory{};
  spa_pod_builder builder{};
  spa_pod_builder_init(&builder, memory.data(), memory.size());
  const spa_pod* params[] = {CursorMeta(builder), MappableBuffers(builder)};
  pw_stream_update_params(state.stream, params, 2);
}

void OnProcess(void* data) {
  auto& state = *static_cast<CastCursor::State*>(data);
  pw_buffer* buffer = nullptr;
  // Only the newest frame matters: older ones are handed straight back.
  while (pw_buffer* next = pw_stream_dequeue_buffer(state.stream)) {
    if (buffer != nullptr) {
      pw_stream_queue_buffer(state.stream, buffer);
    }
    buffer = next;
  }
  if (buffer == nullptr) {
    return;
  }
  const auto* cursor =
      static_cast<const spa_meta_cursor*>(spa_buffer_find_meta_data(
          buffer->buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
  if (cursor != nullptr && spa_meta_cursor_is_valid(cursor)) {
    const std::lock_guard lock(state.mutex);
    const std::uint64_t updates = state.seen ? state.seen->updates + 1 : 1;
    state.seen =
        CastCursor::Seen{{cursor->position.x, cursor->position.y}, updates};
  }
  pw_stream_queue_buffer(state.stream, buffer);
}

}  // namespace

CastCursor::CastCursor(std::uint32_t node) : state_(std::make_unique<State>()) {
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

CastCursor::~CastCursor() = default;

std::optional<CastCursor::Seen> CastCursor::Latest() const {
  const std::lock_guard lock(state_->mutex);
  return state_->seen;
}

}  // namespace scrivlet
