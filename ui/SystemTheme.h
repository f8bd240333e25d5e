#pragma once

class QApplication;

// The look of the windows as the system's settings ask for it. On Windows, with dark apps
// chosen (Settings, Personalization, Colors), the windows and dialogs are dark too, in the
// Fusion style, since Windows' own style draws no dark controls. Elsewhere, and with light
// apps, the platform's own style and theme decide.
namespace SystemTheme {

void apply(QApplication& application);

} // namespace SystemTheme
