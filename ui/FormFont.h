#pragma once

class QWidget;

// The windows keep the fixed geometry they were designed with, so their font is
// what has to fit: a narrow sans-serif face at 8 points (Arial's metrics, close to
// the classic 8-point dialog font), made smaller in half points on a system whose
// fonts are wider, until every caption and box text shows whole.
namespace FormFont {

void fit(QWidget* form);

// Whether every button, label and text box of the form shows its text whole.
bool textsFit(const QWidget* form);

} // namespace FormFont
