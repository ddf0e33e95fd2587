// The small modal text-entry dialog: a prompt, one line of text, Ok and Cancel. It stays on top
// of other windows and is laid out in dialog units of the desktop's UI font, which its edit
// shares, so it grows with the font.
#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavelo {

// Horizontal unit: the average width of the letters A-Z a-z; vertical unit: their height.
struct DialogUnits {
  int x = 0;
  int y = 0;
};
DialogUnits dialogUnitsOf(const QFont& font);

class InputDialog : public QDialog {
 public:
  InputDialog(QWidget* owner, const QString& caption, const QString& prompt, bool password, const QString& value);

  QLineEdit* edit() const { return edit_; }
  QLabel* prompt() const { return prompt_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void layOut();

  QLabel* prompt_;
  QLineEdit* edit_;
  QPushButton *ok_, *cancel_;
};

// Builds the dialog, shows it modally and frees it: the edited text on Ok, nothing otherwise.
std::optional<QString> runInputDialog(QWidget* owner, const QString& caption, const QString& prompt, bool password,
                                      const QString& value);

}  // namespace tavelo
