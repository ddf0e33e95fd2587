#include "app/mode_order.h"

#include <algorithm>

namespace tavelo {

bool isValidModeOrder(const ModeOrder& order) {
  ModeOrder sorted = order;
  std::sort(sorted.begin(), sorted.end());
  return sorted == kDefaultModeOrder;
}

int modeOrderCode(const ModeOrder& order) { return order[0] * 100 + order[1] * 10 + order[2]; }

ModeOrder modeOrderFromCode(int code) { return {code / 100, code / 10 % 10, code % 10}; }

std::optional<ModeOrder> parseModeOrderLine(const QString& line) {
  if (line.size() != 3) return std::nullopt;
  ModeOrder order{};
  for (int i = 0; i < 3; ++i) {
    const char16_t digit = line.at(i).unicode();
    if (digit < u'0' || digit > u'9') return std::nullopt;
    order[i] = digit - u'0';
  }
  if (!isValidModeOrder(order)) return std::nullopt;
  return order;
}

QString formatModeOrderCode(int code) { return QStringLiteral("%1").arg(code, 3, 10, QChar('0')); }

int modeStepOf(const ModeOrder& order, int mode) {
  int step = 0;
  for (int i = 0; i < 3; ++i)
    if (order[i] == mode) step = i;
  return step;
}

}  // namespace tavelo
