#include "app/termination_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "document/crash_recovery.h"
#include "platform/platform_seam.h"

namespace {

int g_signalPipe[2] = {-1, -1};
bool g_terminated = false;
int g_exitCode = 0;

// Only async-signal-safe work here: the event loop does the rest.
void OnSignal(int signal) {
  unsigned char byte = (unsigned char)signal;
  ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
  (void)ignored;
}

void OnSignalInLoop() {
  unsigned char signal = 0;
  if (::read(g_signalPipe[0], &signal, 1) != 1) return;
  WriteRecoveryStateNow();
  g_terminated = true;
  g_exitCode = 128 + signal;
  // Boxes answer as cancelled from now on; exit ends every loop running, a modal box's too.
  RequestProgramEnd();
  QCoreApplication::exit(g_exitCode);
}

}  // namespace

void InstallTerminationHandlers() {
  if (g_signalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] { OnSignalInLoop(); });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
}

bool TerminatedBySignal() { return g_terminated; }

int RunMainLoop() {
  // A box shown while starting took the signal in its own loop; the main loop would forget it.
  if (g_terminated) return g_exitCode;
  return QCoreApplication::exec();
}
