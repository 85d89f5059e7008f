#pragma once
namespace ui {
// Registers the main program's windows, those of this layer and of every layer below it.
void registerWindows();
} // namespace ui
