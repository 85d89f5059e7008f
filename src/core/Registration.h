#pragma once
namespace core {
// Registers the windows of the core services.
void registerWindows();
} // namespace core
