#include "app/termination_signals.h"

#include <QCoreApplication>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <iostream>

#include "engine/drawing_watch.h"
#endif

namespace scrivlet {

#ifdef _WIN32

void HandleTerminationSignals(QCoreApplication& /*app*/) {}

#else

namespace {

// The handler may only touch lock-free atomics and call async-signal-safe
// functions: it records the signal, tells the engine and wakes the event
// loop through a pipe.
constinit std::atomic<int> received_signal{0};
constinit std::atomic<int> wake_write_end{-1};

extern "C" void OnTerminationSignal(int number) {
  const int saved_errno = errno;
  received_signal.store(number);
  RequestEnd();
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing is lost.
  const ssize_t written = ::write(wake_write_end.load(), &byte, 1);
  static_cast<void>(written);
  errno = saved_errno;
}

}  // namespace

void HandleTerminationSignals(QCoreApplication& app) {
  int ends[2] = {-1, -1};
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    // Without the pipe the default action stays: the program still ends.
    std::cerr << "scrivlet: cannot watch for termination signals\n";
    return;
  }
  wake_write_end.store(ends[1]);
  auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app,
                   [read_end = ends[0]] {
                     char bytes[16];
                     while (::read(read_end, bytes, sizeof bytes) > 0) {
                     }
                     // A drawing running in this same thread (which lets events
                     // through between columns) stops at its next dot; the loop
                     // then returns.
                     QCoreApplication::exit(128 + received_signal.load());
                   });

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    ::sigaction(number, &action, nullptr);
  }
}

#endif

}  // namespace scrivlet
