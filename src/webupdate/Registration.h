#pragma once
namespace webupdate {

// Makes the update program's window known by name.
void registerWindows();

} // namespace webupdate
