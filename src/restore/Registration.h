#pragma once
namespace restore {
// Registers the windows of the restore engine, and those of the layers below it.
void registerWindows();
} // namespace restore
