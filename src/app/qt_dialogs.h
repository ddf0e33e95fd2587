// The dialogs the user sees: Qt message boxes and file dialogs.
#pragma once

#include "app/dialogs.h"

namespace tavelo {

class QtDialogs : public Dialogs {
 public:
  void message(QWidget* owner, const QString& text) override;
  void error(const QString& text) override;
  bool confirm(QWidget* owner, const QString& question) override;
  QStringList openFiles(QWidget* owner, const FileDialogSettings& dialog) override;
  QString saveFile(QWidget* owner, const FileDialogSettings& dialog) override;
  QString pickFolder(QWidget* owner, const QString& title, const QString& startDir) override;
  void beep() override;
  std::optional<QString> inputText(QWidget* owner, const QString& caption, const QString& prompt, bool password,
                                   const QString& value) override;
};

// "Audio|*.mp3;*.ogg|CUE Files (*.cue)|*.cue" -> "Audio (*.mp3 *.ogg);;CUE Files (*.cue) (*.cue)"
QString qtFileFilter(const QString& pipeFilter);

}  // namespace tavelo
