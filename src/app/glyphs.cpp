#include "app/glyphs.h"

#include <QAbstractButton>
#include <QHash>
#include <QLabel>

namespace tavelo {

namespace {

QString symbolFor(const QString& code) {
  static const QHash<QString, QString> symbols = {
      {"9", u"\u25AE\u25C0"_qs},  // back
      {"4", u"\u25B6"_qs},  // play
      {";", u"\u25AE\u25AE"_qs},  // pause
      {"<", u"\u25A0"_qs},  // stop
      {":", u"\u25B6\u25AE"_qs},  // next
      {"=", u"\u25CF"_qs},  // record, power
      {" =", u" \u25CF"_qs},
      {"i", u"\u2139"_qs},  // info
      {"r", u"\u2715"_qs},  // close
      {u"\u041F"_qs, u"\u2610"_qs},  // door unlocked
      {u"\u0420"_qs, u"\u2612"_qs},  // door locked
  };
  return symbols.value(code, code);
}

}  // namespace

void setGlyph(QWidget* widget, const QString& code) {
  widget->setProperty("glyph", code);
  const QString symbol = symbolFor(code);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(symbol);
  else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(symbol);
}

QString glyphOf(const QWidget* widget) { return widget->property("glyph").toString(); }

}  // namespace tavelo
