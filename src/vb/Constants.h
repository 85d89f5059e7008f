#pragma once
namespace vb {
// One name for two things that are both 0: a file without attributes, a window neither
// minimized nor maximized.
inline constexpr int vbNormal = 0;
} // namespace vb
