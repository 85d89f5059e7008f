#pragma once
// The program's windows as the lower layers reach them: by the window's name and the
// control's name, exactly as the windows have always been addressed ("Form1", "Check8").
// Touching a control loads its window, hidden, the first time.
#include "vb/Forms.h"

namespace core {

inline vb::Form& Win(const QString& form) { return vb::Forms::get(form); }

template <class T>
T& Ctl(const QString& form, const QString& control)
{
    return vb::Forms::get(form).control<T>(control);
}

inline vb::CheckBox& CheckBoxOf(const QString& f, const QString& c) { return Ctl<vb::CheckBox>(f, c); }
inline vb::CommandButton& ButtonOf(const QString& f, const QString& c) { return Ctl<vb::CommandButton>(f, c); }
inline vb::Label& LabelOf(const QString& f, const QString& c) { return Ctl<vb::Label>(f, c); }
inline vb::TextBox& TextBoxOf(const QString& f, const QString& c) { return Ctl<vb::TextBox>(f, c); }
inline vb::ListBox& ListBoxOf(const QString& f, const QString& c) { return Ctl<vb::ListBox>(f, c); }
inline vb::ComboBox& ComboBoxOf(const QString& f, const QString& c) { return Ctl<vb::ComboBox>(f, c); }
inline vb::ProgressBar& ProgressBarOf(const QString& f, const QString& c) { return Ctl<vb::ProgressBar>(f, c); }
inline vb::StatusBar& StatusBarOf(const QString& f, const QString& c) { return Ctl<vb::StatusBar>(f, c); }
inline vb::Slider& SliderOf(const QString& f, const QString& c) { return Ctl<vb::Slider>(f, c); }
inline vb::Frame& FrameOf(const QString& f, const QString& c) { return Ctl<vb::Frame>(f, c); }

} // namespace core
