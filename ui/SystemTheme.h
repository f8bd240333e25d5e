#pragma once

class QApplication;

// The look of the windows as the system's settings ask for it. On Windows, with
// dark apps chosen (Settings, Personalization, Colors), the windows and their
// dialogs are dark too, in the Fusion style, since Windows' own style draws
// no dark controls; otherwise they keep Windows' own style. Elsewhere the
// platform's theme decides, as it always does.
namespace SystemTheme {

void apply(QApplication& application);

} // namespace SystemTheme
