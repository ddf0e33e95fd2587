// Every modal message, question and file dialog of the window goes through this interface,
// so tests can answer them. Filters use the "Description|patterns|Description|patterns" form.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace tavelo {

// What a file dialog component remembers between uses.
struct FileDialogSettings {
  QString title;
  QString filter;
  QString defaultSuffix;
  QString initialDir;
  QString fileName;
  bool fileMustExist = false;
  bool confirmOverwrite = false;
  bool multiSelect = false;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A plain information box with an OK button.
  virtual void message(QWidget* owner, const QString& text) = 0;
  // An error box without owner or caption (the process is about to end).
  virtual void error(const QString& text) = 0;
  // A Yes/No question; true for Yes.
  virtual bool confirm(QWidget* owner, const QString& question) = 0;
  // The chosen files, empty when cancelled.
  virtual QStringList openFiles(QWidget* owner, const FileDialogSettings& dialog) = 0;
  // The chosen file, empty when cancelled.
  virtual QString saveFile(QWidget* owner, const FileDialogSettings& dialog) = 0;
  // The chosen folder, empty when cancelled.
  virtual QString pickFolder(QWidget* owner, const QString& title, const QString& startDir) = 0;
  // The system's short warning sound.
  virtual void beep() = 0;
  // One line of text; nullopt when cancelled.
  virtual std::optional<QString> inputText(QWidget* owner, const QString& caption, const QString& prompt,
                                           bool password, const QString& value) = 0;
};

}  // namespace tavelo
