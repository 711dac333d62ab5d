// SPDX-License-Identifier: MIT
// Standard streams, signals and the desktop's message bus, set up for the
// window program before Qt starts.
#include "process_setup.h"

#include "files/ending_signals.h"
#include "files/standard_streams.h"

#include <csignal>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace velmor::ui {
namespace {

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != 0;
}

// Asked for the desktop's message bus where none is named and none runs at
// $XDG_RUNTIME_DIR/bus, the D-Bus library starts one for the X display that
// outlives the program and notes it under ~/.dbus. The window uses a bus
// only to reach a screen reader, which needs one already running; without
// one it goes without, by an address that names no bus.
void keepMessageBusFromStarting()
{
    if (isSet("DBUS_SESSION_BUS_ADDRESS")) return;
    if (isSet("XDG_RUNTIME_DIR") && access((std::string(std::getenv("XDG_RUNTIME_DIR")) + "/bus").c_str(), F_OK) == 0)
        return;
    setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

}  // namespace

bool prepareWindowProcess()
{
    if (!files::reserveStandardStreams()) return false;
    // Past the file size limit (ulimit -f) a write would end the program;
    // ignored, a save fails and says why like any other.
    std::signal(SIGXFSZ, SIG_IGN);
    // A save ended by a signal leaves no hidden unfinished file beside its target.
    files::installEndingSignalCleanup();
    keepMessageBusFromStarting();
    return true;
}

}  // namespace velmor::ui
