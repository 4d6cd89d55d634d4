#pragma once

class QWidget;

namespace kx {

// Enables or disables the Close button in the title bar of `window`.
//
// There is no system menu here, so disabling takes the Close button off the title bar
// (the window's flags) and refuses every close request to the window, from the window
// manager or from close(). The window then closes only through its own controls:
// QDialog::done(), accept() and reject() still close it.
//
// Returns
//   0  done, or the button was already in the requested state (nothing changed);
//  -1  `window` is null or not a top-level window (nothing touched);
//  -2  the close refusal could not be put in place or taken away: the call came from
//      another thread than the window's (nothing changed);
//  -3  the title bar did not take the new state; the refusal is left as it was, so the
//      window stays in its previous state and the call can be repeated.
short setCloseButtonEnabled(QWidget* window, bool enable);

// False while setCloseButtonEnabled has the window's Close button disabled.
bool isCloseButtonEnabled(const QWidget* window);

} // namespace kx
