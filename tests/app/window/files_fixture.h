// A started window in Audio Files mode and a folder of real audio files made by ffmpeg.
#pragma once

#include "program_folder.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class FilesWindow : public ::testing::Test {
 protected:
  void SetUp() override;

  // A sine tone of the given length; the extension chooses the format (.wav, .mp3, .ogg).
  QString tone(const QString& name, double seconds, int hz = 440) const;
  // A file of that name that no decoder can read.
  QString garbage(const QString& name) const;
  QString text(const QString& name, const QByteArray& content) const;
  QString music(const QString& name) const { return musicDir_.filePath(name); }

  // Chooses path in the open dialog and waits for a Play Full Dir folder to be read.
  void open(const QString& path);
  void waitForFolderScan();
  // Waits (without running the window's own timers) until the file stream has ended.
  void waitUntilEnded();
  // Waits until the file stream has played to at least seconds.
  void waitUntilPosition(double seconds);
  double positionSeconds();
  bool streamActive();
  void tick(int count = 1);
  QStringList items();

  ProgramFolder program_;
  StartedForm form{program_};

 private:
  QTemporaryDir musicDir_;
};
