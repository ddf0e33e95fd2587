#include "program_folder.h"

#include <QDir>
#include <QFile>

ProgramFolder::ProgramFolder() = default;

void ProgramFolder::write(const QString& name, const QByteArray& data) const {
  const QString file = path() + name;
  QDir().mkpath(QFileInfo(file).path());
  QFile out(file);
  if (out.open(QIODevice::WriteOnly)) out.write(data);
}

QByteArray ProgramFolder::read(const QString& name) const {
  QFile in(path() + name);
  return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

bool ProgramFolder::exists(const QString& name) const { return QFileInfo::exists(path() + name); }

QByteArray crlfLines(const QStringList& lines) {
  QByteArray text;
  for (const QString& line : lines) text += line.toUtf8() + "\r\n";
  return text;
}

StartedForm::StartedForm(const ProgramFolder& folder)
    : form_(std::make_unique<TFormMyTavelo>(dialogs, folder.path())) {}

bool StartedForm::create(const QStringList& arguments) {
  created = form_->FormCreate(arguments);
  return created;
}

StartedForm::~StartedForm() {
  if (created) form_->FormClose();
}
