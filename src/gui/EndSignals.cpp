#include "gui/EndSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

namespace glyphon {

namespace {

int gWakeWrite = -1;

void OnEndSignal(int) {
    // Only what is safe in a signal handler: one byte into the pipe.
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(gWakeWrite, &byte, 1);
}

}  // namespace

void CloseOnEndSignals(QWidget* window) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    gWakeWrite = fds[1];
    auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd = fds[0], target] {
        char buf[16];
        while (read(fd, buf, sizeof buf) > 0) {
        }
        // closeEvent stores the settings; a message box still open has its
        // own event loop, which quit ends as well.
        if (target) target->close();
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) sigaction(sig, &action, nullptr);
}

}  // namespace glyphon
