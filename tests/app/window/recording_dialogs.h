// A Dialogs double for window tests: records every message and question and answers
// from queues the test fills (questions default to No, file dialogs to cancel).
#pragma once

#include "app/dialogs.h"

#include <QList>
#include <QQueue>

using namespace tavelo;

class RecordingDialogs : public Dialogs {
 public:
  QStringList messages;   // information and error boxes, in order
  QStringList questions;  // Yes/No questions, in order
  QList<FileDialogSettings> fileDialogs;
  QQueue<bool> answers;
  QQueue<QStringList> chosenFiles;
  QQueue<QString> chosenFolders;
  QQueue<std::optional<QString>> typedTexts;
  int beeps = 0;

  void message(QWidget*, const QString& text) override { messages << text; }
  void error(const QString& text) override { messages << text; }
  bool confirm(QWidget*, const QString& question) override {
    questions << question;
    return !answers.isEmpty() && answers.dequeue();
  }
  QStringList openFiles(QWidget*, const FileDialogSettings& dialog) override {
    fileDialogs << dialog;
    return chosenFiles.isEmpty() ? QStringList() : chosenFiles.dequeue();
  }
  QString saveFile(QWidget*, const FileDialogSettings& dialog) override {
    fileDialogs << dialog;
    return chosenFiles.isEmpty() ? QString() : chosenFiles.dequeue().value(0);
  }
  QString pickFolder(QWidget*, const QString&, const QString&) override {
    return chosenFolders.isEmpty() ? QString() : chosenFolders.dequeue();
  }
  void beep() override { ++beeps; }
  std::optional<QString> inputText(QWidget*, const QString&, const QString& prompt, bool,
                                   const QString&) override {
    questions << prompt;
    return typedTexts.isEmpty() ? std::nullopt : typedTexts.dequeue();
  }
};
