#pragma once
namespace catalogue {
// Registers the windows of the configuration catalogue.
void registerWindows();
} // namespace catalogue
