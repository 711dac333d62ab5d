// SPDX-License-Identifier: MIT
// `velmor wheels`: the built-in wheels as this build carries them, so that
// users can tell whether two builds read each other's text.
#pragma once

namespace velmor::cli {

// Wheel 1 first, each as its 96 Windows-1252 bytes and a line feed, on
// standard output. Throws FileError when the output fails.
void runWheelsCommand();

}  // namespace velmor::cli
