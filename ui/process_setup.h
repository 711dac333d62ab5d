// SPDX-License-Identifier: MIT
// What the window program sets up in its process before Qt starts.
#pragma once

namespace velmor::ui {

// Call first thing in main(), before any thread starts. False when the
// standard streams cannot be kept from the program's own files.
bool prepareWindowProcess();

}  // namespace velmor::ui
