// A dialog's message map: a static table that binds a window message, or the
// click of a button, to a member function of the dialog class.
//
//   std::span<const MessageMapEntry> MyDialog::GetMessageMap() const {
//     static constexpr MessageMapEntry kMap[] = {
//         MapMessage<WM_PAINT, &MyDialog::OnPaint>(),
//         MapButtonClick<IDOK, &MyDialog::OnConvert>(),
//     };
//     return kMap;
//   }
#pragma once

#include <windows.h>

#include <type_traits>

class Dialog;

struct MessageMapEntry {
  UINT message;  // WM_COMMAND for a button click
  int buttonId;  // the button, for WM_COMMAND entries
  // Runs the handler; returns what the dialog procedure returns for it.
  INT_PTR (*invoke)(Dialog& dialog, WPARAM wParam, LPARAM lParam);
};

namespace message_map_detail {

template <class Member>
struct ClassOf;
template <class Class, class Result, class... Arguments>
struct ClassOf<Result (Class::*)(Arguments...)> {
  using Type = Class;
};

// Handlers come in three shapes: void(), void(UINT, LPARAM) for messages whose
// word and long parameters they need (WM_SYSCOMMAND), and a handle-valued
// one for messages whose result the dialog procedure returns as it is
// (WM_QUERYDRAGICON).
template <auto Handler>
INT_PTR Invoke(Dialog& dialog, WPARAM wParam, LPARAM lParam) {
  using Handler_t = decltype(Handler);
  using Derived = typename ClassOf<Handler_t>::Type;
  Derived& self = static_cast<Derived&>(dialog);
  if constexpr (std::is_invocable_v<Handler_t, Derived&, UINT, LPARAM>) {
    (self.*Handler)(static_cast<UINT>(wParam), lParam);
    return TRUE;
  } else if constexpr (std::is_void_v<std::invoke_result_t<Handler_t, Derived&>>) {
    (void)wParam;
    (void)lParam;
    (self.*Handler)();
    return TRUE;
  } else {
    (void)wParam;
    (void)lParam;
    return reinterpret_cast<INT_PTR>((self.*Handler)());
  }
}

}  // namespace message_map_detail

template <UINT Message, auto Handler>
constexpr MessageMapEntry MapMessage() {
  return {Message, 0, &message_map_detail::Invoke<Handler>};
}

template <int ButtonId, auto Handler>
constexpr MessageMapEntry MapButtonClick() {
  return {WM_COMMAND, ButtonId, &message_map_detail::Invoke<Handler>};
}
