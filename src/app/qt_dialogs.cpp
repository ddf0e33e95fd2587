#include "app/qt_dialogs.h"
#include "app/input_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace tavelo {

QString qtFileFilter(const QString& pipeFilter) {
  const QStringList parts = pipeFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns.trimmed());
  }
  return filters.join(QStringLiteral(";;"));
}

void QtDialogs::message(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, owner);
  box.exec();
}

void QtDialogs::beep() { QApplication::beep(); }

void QtDialogs::error(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QString(), text, QMessageBox::Ok);
  box.exec();
}

bool QtDialogs::confirm(QWidget* owner, const QString& question) {
  return QMessageBox::question(owner, QString(), question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

namespace {

void prepare(QFileDialog& fileDialog, const FileDialogSettings& dialog) {
  fileDialog.setWindowTitle(dialog.title);
  fileDialog.setNameFilter(qtFileFilter(dialog.filter));
  fileDialog.setDefaultSuffix(dialog.defaultSuffix);
  if (!dialog.initialDir.isEmpty()) fileDialog.setDirectory(dialog.initialDir);
  if (!dialog.fileName.isEmpty()) fileDialog.selectFile(dialog.fileName);
}

}  // namespace

QStringList QtDialogs::openFiles(QWidget* owner, const FileDialogSettings& dialog) {
  QFileDialog fileDialog(owner);
  prepare(fileDialog, dialog);
  fileDialog.setAcceptMode(QFileDialog::AcceptOpen);
  fileDialog.setFileMode(dialog.multiSelect ? QFileDialog::ExistingFiles
                                            : (dialog.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
  return fileDialog.exec() == QDialog::Accepted ? fileDialog.selectedFiles() : QStringList();
}

QString QtDialogs::saveFile(QWidget* owner, const FileDialogSettings& dialog) {
  QFileDialog fileDialog(owner);
  prepare(fileDialog, dialog);
  fileDialog.setAcceptMode(QFileDialog::AcceptSave);
  fileDialog.setOption(QFileDialog::DontConfirmOverwrite, !dialog.confirmOverwrite);
  if (fileDialog.exec() != QDialog::Accepted || fileDialog.selectedFiles().isEmpty()) return {};
  return fileDialog.selectedFiles().constFirst();
}

QString QtDialogs::pickFolder(QWidget* owner, const QString& title, const QString& startDir) {
  return QFileDialog::getExistingDirectory(owner, title, startDir);
}

std::optional<QString> QtDialogs::inputText(QWidget* owner, const QString& caption, const QString& prompt,
                                            bool password, const QString& value) {
  return runInputDialog(owner, caption, prompt, password, value);
}

}  // namespace tavelo
