// A fresh program folder for one test and a window started on it.
#pragma once

#include "app/form.h"
#include "recording_dialogs.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

using namespace tavelo;

class ProgramFolder {
 public:
  ProgramFolder();
  QString path() const { return dir_.path() + QLatin1Char('/'); }
  void write(const QString& name, const QByteArray& data) const;
  QByteArray read(const QString& name) const;
  bool exists(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

// Lines joined with CR LF, each line ended.
QByteArray crlfLines(const QStringList& lines);

// The window on a program folder; closes it (once) when the test ends so the engine is free again.
class StartedForm {
 public:
  explicit StartedForm(const ProgramFolder& folder);
  ~StartedForm();
  bool create(const QStringList& arguments = {});
  TFormMyTavelo& operator*() { return *form_; }
  TFormMyTavelo* operator->() { return form_.get(); }
  RecordingDialogs dialogs;
  bool created = false;

 private:
  std::unique_ptr<TFormMyTavelo> form_;
};
