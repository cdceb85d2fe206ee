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
  // Calls in flight at most: the bus limits how many replies one
  // connection may be owed, and each call's timeout runs from its sending,
  // so a service that answers slowly must not be handed a long queue.
  static constexpr std::size_t kMaxInFlight = 64;

  explicit CallPipeline(SessionBus& bus) : bus_(bus) {}

  // Takes the replies that have come (waiting for the oldest while
  // kMaxInFlight calls are unanswered), then sends `member` with `types`
  // and `args` as for sd_bus_call_method. Throws PlatformError for an
  // earlier call's error reply, or when the call cannot be sent.
  template <typename... Args>
  void Send(const BusObject& target, const char* member, const char* types,
            Args... args) {
    TakeReplies(kMaxInFlight - 1);
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
  }

  // Waits for every reply. Throws PlatformError for the first call in
  // order that failed; the calls after it were still handled.
  void Collect() { TakeReplies(0); }

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
  // Takes the replies that have come and waits until at most `in_flight`
  // calls are unanswered, then throws a failure kept.
  void TakeReplies(std::size_t in_flight);
  void DropAnswered();
  // The connection itself failed: what was in flight is lost with it.
  [[noreturn]] void Failed(const std::string& what, int result);

  SessionBus& bus_;
  std::deque<std::unique_ptr<Pending>> pending_;
  std::optional<std::string> failure_;
  Clock::time_point last_reply_;
};

}  // namespace scrivlet
