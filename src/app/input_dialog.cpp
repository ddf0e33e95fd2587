#include "app/input_dialog.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace tavelo {

namespace {

constexpr int kMaxTextLength = 255;
constexpr int kEditGap = 5;     // pixels between the prompt and the edit
constexpr int kButtonGap = 15;  // pixels between the edit and the buttons
constexpr int kBottomMargin = 13;

// a * b / c rounded to the nearest whole number, as dialog units are scaled.
int mulDiv(int a, int b, int c) { return static_cast<int>((static_cast<qint64>(a) * b * 2 + c) / (2 * c)); }

}  // namespace

DialogUnits dialogUnitsOf(const QFont& font) {
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const QFontMetrics metrics(font);
  return {metrics.horizontalAdvance(letters) / static_cast<int>(letters.size()), metrics.height()};
}

InputDialog::InputDialog(QWidget* owner, const QString& caption, const QString& prompt, bool password,
                         const QString& value)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint),
      prompt_(new QLabel(prompt, this)),
      edit_(new QLineEdit(value, this)),
      ok_(new QPushButton(QStringLiteral("Ok"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(caption);
  prompt_->setWordWrap(true);
  edit_->setMaxLength(kMaxTextLength);
  edit_->setEchoMode(password ? QLineEdit::Password : QLineEdit::Normal);
  edit_->selectAll();
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  layOut();
  edit_->setFocus();
}

void InputDialog::layOut() {
  const DialogUnits units = dialogUnitsOf(font());
  const int left = mulDiv(8, units.x, 4);
  const int width = mulDiv(164, units.x, 4);
  prompt_->setGeometry(left, mulDiv(8, units.y, 8), width, prompt_->heightForWidth(width));
  edit_->setGeometry(left, prompt_->geometry().bottom() + 1 + kEditGap, width, edit_->sizeHint().height());
  const int buttonTop = edit_->geometry().bottom() + 1 + kButtonGap;
  const QSize buttonSize(mulDiv(50, units.x, 4), mulDiv(14, units.y, 8));
  ok_->setGeometry(QRect(QPoint(mulDiv(38, units.x, 4), buttonTop), buttonSize));
  cancel_->setGeometry(QRect(QPoint(mulDiv(92, units.x, 4), buttonTop), buttonSize));
  setFixedSize(mulDiv(180, units.x, 4), ok_->geometry().bottom() + 1 + kBottomMargin);
}

std::optional<QString> runInputDialog(QWidget* owner, const QString& caption, const QString& prompt, bool password,
                                      const QString& value) {
  InputDialog dialog(owner, caption, prompt, password, value);
  if (const QScreen* screen = dialog.screen()) dialog.move(screen->geometry().center() - dialog.rect().center());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.edit()->text();
}

}  // namespace tavelo
