#pragma once
namespace backup {
// Registers the windows of the backup engine and those of the catalogue below it.
void registerWindows();
} // namespace backup
