#pragma once
namespace rescue {
// Registers the main program's windows: those of the rescue disk wizard and of every
// layer below it.
void registerWindows();
} // namespace rescue
