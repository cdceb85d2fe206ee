#pragma once

// Calls sent without waiting for their replies, so that many are in flight
// at once: a round trip through the bus costs more than the service takes
// to handle a call. They keep their order: sd-bus writes them in order on
// the one connection, the bus delivers them in order, and a service
// handles one sender's calls in order. Replies are taken as they come and
// waited for at Collect; an error reply to any call is kept and thrown
// there as a PlatformError naming that call, never dropped.

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/dbus/session_bus.h"
#include "platform/platform_input.h"

namespace scrivlet {

class CallPipeline {
 public:
  using Clock = std::chrono::steady_clock;
  // Calls in flight at most; the bus limits how many replies one
  // connection may be owed.
  static constexpr std::size_t kMaxInFlight = 128;

  explicit CallPipeline(SessionBus& bus) : bus_(bus) {}

  // Sends `member` with `types` and `args` as for sd_bus_call_method, and
  // takes the replies that have come meanwhile. Throws PlatformError when
  // the call cannot be sent, or for an earlier call's error reply.
  template <typename... Args>
  void Send(const BusObject& target, const char* member, const char* types,
            Args... args) {
    if (pending_.size() >= kMaxInFlight) {
      Collect();
    }
    auto call = std::make_unique<Pending>();
    call->what = target.interface + "." + member;
    sd_bus_slot* slot = nullptr;
    const int result = sd_bus_call_method_async(
        bus_.Get(), &slot, target.service.c_str(), target.path.c_str(),
        target.interface.c_str(), member, &CallPipeline::OnReply, call.get(),
        types, args...);
    if (result < 0) {
      throw PlatformError(call->what + " failed: " + std::strerror(-result));
    }
    call->slot.reset(slot);
    pending_.push_back(std::move(call));
    TakeReplies(false);
  }

  // Waits for every reply. Throws PlatformError for the first call in
  // order that failed; the calls after it were still handled.
  void Collect() { TakeReplies(true); }

  // Whether calls are in flight or a failure waits to be thrown.
  [[nodiscard]] bool Busy() const { return !pending_.empty() || failure_; }

  // When the latest reply came; the service had handled every call answered.
  [[nodiscard]] Clock::time_point LastReply() const { return last_reply_; }

 private:
  struct Pending {
    std::string what;
    BusSlot slot;  // unref'd with the record, so no reply reaches it after
    bool answered = false;
    Clock::time_point at;  // when the reply was taken
    std::string error;     // the bus's message for an error reply
  };

  static int OnReply(sd_bus_message* reply, void* data, sd_bus_error*);
  // Takes the replies that have come, or waits for all with `wait`, then
  // throws a failure kept.
  void TakeReplies(bool wait);
  void DropAnswered();
  // The connection itself failed: what was in flight is lost with it.
  [[noreturn]] void Failed(const std::string& what, int result);

  SessionBus& bus_;
  std::deque<std::unique_ptr<Pending>> pending_;
  std::optional<std::string> failure_;
  Clock::time_point last_reply_;
};

}  // namespace scrivlet
