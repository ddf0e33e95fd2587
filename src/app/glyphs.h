// Buttons and labels that show a symbol keep a short glyph code ("4" play, ";" pause, "<" stop,
// "=" record ...) as their state; the widget shows the matching symbol. Code reads the glyph
// code, never the shown text.
#pragma once

#include <QString>

class QWidget;

namespace tavelo {

void setGlyph(QWidget* widget, const QString& code);
QString glyphOf(const QWidget* widget);

}  // namespace tavelo
