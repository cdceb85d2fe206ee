#include "platform/dbus/call_pipeline.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/platform_input.h"

namespace scrivlet {

int CallPipeline::OnReply(sd_bus_message* reply, void* data,
                          sd_bus_error* /*error*/) {
  auto* call = static_cast<Pending*>(data);
  call->answered = true;
  call->at = Clock::now();
  // Also a timeout or a lost connection: sd-bus answers those itself.
  const sd_bus_error* error = sd_bus_message_get_error(reply);
  if (error != nullptr) {
    call->error = error->message != nullptr ? error->message
                  : error->name != nullptr  ? error->name
                                            : "an error without a name";
  }
  return 1;
}

void CallPipeline::DropAnswered() {
  while (!pending_.empty() && pending_.front()->answered) {
    const Pending& call = *pending_.front();
    last_reply_ = std::max(last_reply_, call.at);
    if (!call.error.empty() && !failure_) {
      failure_ = call.what + " failed: " + call.error;
    }
    pending_.pop_front();
  }
}

void CallPipeline::TakeReplies(std::size_t in_flight) {
  for (;;) {
    const int processed = sd_bus_process(bus_.Get(), nullptr);
    if (processed < 0) {
      Failed("The session bus failed while calls were in flight: ", processed);
    }
    DropAnswered();
    if (processed > 0) {
      continue;
    }
    if (pending_.size() <= in_flight) {
      break;
    }
    // Until a message comes or the oldest call's own timeout.
    const int waited = sd_bus_wait(bus_.Get(), UINT64_MAX);
    if (waited < 0 && waited != -EINTR) {
      Failed("The session bus failed while calls were in flight: ", waited);
    }
  }
  if (failure_) {
    const std::string message = std::move(*failure_);
    failure_.reset();
    throw PlatformError(message);
  }
}

void CallPipeline::Failed(const std::string& what, int result) {
  pending_.clear();
  failure_.reset();
  throw PlatformError(what + std::strerror(-result));
}

}  // namespace scrivlet
